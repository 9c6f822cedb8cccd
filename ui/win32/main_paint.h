// The main window's picture: the drawing callback of its frame and the map update.
// Everything is drawn from the ViewState and the WindowLayout in a fixed order:
// the map update when due, the background, the sidebar (header, drives, scan mode,
// footer, the review's cover, the divider), the main column (toolbar, path bar,
// summary line, notice, filter bar, tabs, content panel with the map or the scan's
// progress or an empty state, status bar, performance panel), then the focus ring.
//
// Use from the window procedure:
//   WM_CREATE      attachMainPaint(paint, resources, instance)
//   WM_PAINT       paintWindow(hwnd, resources, options, [&](dc, brush, w, h) {
//                    PaintMotion m = paintMainWindow(paint, state, layout, dc, brush, w, h); })
//                  then keep the 15 ms timers that m asks for
//   scheme, patterns, filter, zoom or tree changed: state.mapStale = true and either
//                  updateMainMap(paint, state, layout) at once or let the next paint do it
//   a scan starts or the tree is freed: resetMainMap(paint, state)
//   WM_DESTROY     after releaseDeviceBound(resources): releaseMainPaint(paint)
// The map overlay (render/win32/map_overlay.h) draws with paintMainMap.
//
// Threading: the window thread, between BeginDraw and EndDraw for the drawing calls.
#pragma once
#include "render/win32/draw.h"
#include "render/win32/window_target.h"
#include "ui/hover_damage.h"
#include "ui/layout.h"
#include "ui/map_update.h"
#include "ui/paint_rules.h"
#include "ui/view_state.h"
#include "ui/win32/map_bitmap.h"
#include "ui/win32/map_transitions.h"
#include "ui/win32/paint_cache.h"
#include "ui/win32/program_icon.h"

struct MainPaint {
  MapPicture map;            // the cells and the cushion raster
  MapBitmap bitmap;          // the raster on the device
  ProgramIcon icon;          // the sidebar's icon, 48 DIPs
  ChromeCache chrome;        // the picture without the map and the status region
  PaintAnimations animations;
  HoverBoxCache hoverBox;
  HoverStrips hoverDrawn;         // where the last frame drew hover outlines (window pixels)
  MapTransitions transitions; // the snapshot, the zoom and the marks transitions
  HINSTANCE instance = nullptr;   // where the icon is loaded from
  bool lavaFlowing = false;       // the glow moves: the window's 15 ms lava timer runs
  // What the last frame measured, for benchmarks and tests.
  double lastMapUpdateMs = -1;    // layout plus raster of a map update in that frame; -1: none
  uint64_t frames = 0;
};

// Registers the picture's device-bound parts (the map bitmap, the icon, the text
// formats) with the window's resources, so that a lost or changed device drops them.
void attachMainPaint(MainPaint& paint, DeviceBoundResources& resources, HINSTANCE instance);
void releaseMainPaint(MainPaint& paint);

// The map update outside a paint, after a change of scheme, patterns, filter, zoom
// or tree. True when it laid out (the lava clock restarts from there).
bool updateMainMap(MainPaint& paint, ViewState& s, const WindowLayout& layout);
// Drops the cells and the pixels: a scan starts, the tree is freed.
void resetMainMap(MainPaint& paint, ViewState& s);

// The frame's drawing callback. Runs the map update when it is due, then draws the
// window. `s` changes only through the map update (cells, times, stale flag).
// `damage` is what the paint was asked to update (none: all of it). When it lies
// within the map and the status region (hoverRepaintRect) and the swap chain still
// holds the last frame, only its rectangles are drawn, the rest of the window from
// the kept picture (paint_cache.h), and damage->whole stays false; otherwise the
// whole window is drawn and damage->whole is set.
PaintMotion paintMainWindow(MainPaint& paint, ViewState& s, const WindowLayout& layout, ID2D1DeviceContext* dc,
                            ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height,
                            FrameDamage* damage = nullptr);

// What a change of the hovered cell repaints: the outlines the last frame drew, the
// ones the new hover draws, and the status region (its line names the cell). The
// hover box is found here for the new cell and kept for the paint.
struct HoverDamage {
  PixelRect rects[2 * kHoverStripsMax + 1];
  int32_t count = 0;
};
HoverDamage hoverDamage(MainPaint& paint, const ViewState& s, const WindowLayout& layout);

// The map and what lies on it (hover outlines), in window coordinates: the map
// overlay's picture. Nothing without a map to show.
void paintMainMap(MainPaint& paint, const ViewState& s, const WindowLayout& layout, Canvas& canvas);
