// The parts of the main window's picture, one file each, and what they share for
// one frame. Only main_paint.cpp calls them, in the order of the picture.
//
// Threading: the window thread, between BeginDraw and EndDraw.
#pragma once
#include "ui/win32/main_paint.h"

struct PaintFrame {
  Canvas c;
  MainPaint& paint;
  const ViewState& s;
  const WindowLayout& l;
  const Theme& theme;
  const ThemeColors& colors;
  int32_t width, height;     // the client area
  KnobPositions knobs;
  double splitter;           // the divider's highlight, 0 … 1
  int32_t panelOffset;       // how far down the performance panel is drawn
  int32_t px(int32_t dips) const { return scaleDip(dips, c.dpi); }
  bool hovered(ElementId id, int32_t sub = -1) const { return s.hover.id == id && (sub < 0 || s.hover.sub == sub); }
};

// paint_sidebar.cpp: header, drives, scan mode, footer, the review's cover, the divider.
void paintSidebar(PaintFrame& f);
// paint_toolbar.cpp: toolbar buttons, path bar, summary line, notice bar, filter bar, tabs.
void paintToolbar(PaintFrame& f);
void paintBars(PaintFrame& f);
// paint_content.cpp: the content panel and what it holds but the map; the map with
// its hover outlines, where mapInContent says it goes.
void paintContent(PaintFrame& f);
bool mapInContent(const ViewState& s);
void paintMapArea(MainPaint& paint, const ViewState& s, const WindowLayout& l, Canvas& c);
// paint_status.cpp: status bar and performance panel.
void paintStatus(PaintFrame& f);
// main_paint.cpp: the keyboard focus ring, last.
void paintFocusRing(PaintFrame& f);

// Shared small pieces.
// Inside `box`, in DIPs: from `left` and `top` of its top-left corner to `fromRight`
// left of its right edge and `bottom` below its top.
PixelRect insideBox(const PixelRect& box, int32_t left, int32_t top, int32_t fromRight, int32_t bottom, uint32_t dpi);
// A fill over everything behind it at 0.55, as the review covers what it turns off.
void coverForReview(PaintFrame& f, const PixelRect& r);
// An outline `widthPx` whole pixels wide along the inside of r (the map's outlines are pixels, not DIPs).
void outlinePixels(Canvas& c, const PixelRect& r, int32_t widthPx, uint32_t color, float opacity = 1.0f);
