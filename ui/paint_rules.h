// What the main window's painting decides before it draws: the values that move
// (the scan's progress segment, the fast-scan tip's fade, the switch knobs, the
// splitter's highlight, the panel's slide), the fills that depend on the state, and
// the map's hover outlines. Direct2D only draws what these say (ui/win32/main_paint.h).
//
// Threading: window thread; pure functions of a ViewState except the Tweens and
// the hover cache, which the window's painting keeps between frames.
//
// Sections: moving values · scanning · sidebar · map
#pragma once
#include "render/pixel_rect.h"
#include "render/theme.h"
#include "treemap/schemes.h"
#include "ui/view_state.h"
#include <cstdint>

// --- Moving values ---------------------------------------------------------------------
constexpr double kTipFadeMs = 400;
constexpr double kKnobSlideMs = 180;
constexpr double kSplitterFadeMs = 150;
constexpr double kPanelSlideMs = 220;

// A painted value that follows a target: when the target changes it moves from where
// it was shown to the new target along the smoothstep curve. The first value seen is
// shown at once; without animations every change is.
struct Tween {
  double from = 0, to = 0;
  double startMs = 0;
  bool known = false;
};
// The value at `nowMs` for `target`, retargeting when the target changed.
double tweenValue(Tween& tween, double target, double nowMs, double durationMs, bool animationsOn);
bool tweenRunning(const Tween& tween, double nowMs, double durationMs);

// The painting's moving values, kept by the window between frames.
struct PaintAnimations {
  Tween scanModeKnob;      // 0 Standard … 1 Fast
  Tween sizeModeKnob;      // 0 Logical … 1 On disk
  Tween unitsKnob;         // 0 GB … 1 GiB
  Tween splitter;          // 0 … 1, the divider's highlight
  Tween panel;             // 0 folded … 1 open
};

// What keeps moving after a frame: the window repaints on its 15 ms timers while
// these hold (the tip 8, the knobs 6, the splitter 13, the panel 9).
struct PaintMotion {
  bool tipFading = false;
  bool knobsSliding = false;
  bool splitterFading = false;
  bool panelSliding = false;
  bool any() const { return tipFading || knobsSliding || splitterFading || panelSliding; }
};

// The knob positions the switches show now (0 first option … 1 second).
struct KnobPositions {
  double scanMode = 0, sizeMode = 0, units = 0;
};
KnobPositions knobPositions(PaintAnimations& a, const ViewState& s);
// 0 … 1: the divider shows while the pointer is over it or drags it, or it has the
// keyboard focus.
double splitterHighlight(PaintAnimations& a, const ViewState& s);
// How far down (pixels) the open panel is drawn: its height while it comes in or goes out.
int32_t panelSlideOffset(PaintAnimations& a, const ViewState& s, int32_t panelHeight);
PaintMotion paintMotion(const PaintAnimations& a, const ViewState& s);

// --- Scanning -----------------------------------------------------------------------
// The accent parts of the progress track: filled by done/total with a known total;
// otherwise an 80-DIP segment that moves right at 0.25 pixels per millisecond since
// the scan started and wraps round (so it may come in two pieces), or stands in the
// middle with animations off. `second` is empty unless the segment wraps.
struct ProgressFill {
  PixelRect first, second;
};
ProgressFill progressFill(const ViewState& s, const PixelRect& track);
constexpr double kSegmentPixelsPerMs = 0.25;
constexpr int32_t kSegmentDips = 80;

// The fast-scan tip fades in and slides up by 6 DIPs over 400 ms once it shows.
struct TipFade {
  float opacity = 0;
  int32_t offset = 0;      // pixels below its resting place
  bool running = false;
};
TipFade fastScanTipFade(const ViewState& s);

// --- Sidebar ------------------------------------------------------------------------
// The used part of a drive's usage bar: empty unless wider than 2 pixels.
PixelRect driveUsageFill(const DriveEntry& drive, const PixelRect& bar);
// Error red above 90 % used, else the accent.
uint32_t driveUsageColor(const DriveEntry& drive, const ThemeColors& colors);

// --- Map ------------------------------------------------------------------------------
// The map update runs when the map is stale, no live resize runs and the Map view is current.
bool mapUpdateDue(const ViewState& s);
// The content panel takes the map's background while a map with something in it shows.
bool mapFillsContent(const ViewState& s);
// The scheme's background where it has one, else the theme's surface.
uint32_t mapBackground(const MapScheme& scheme, const ThemeColors& colors);

// The hovered cell's outlines, in map pixels (the cells' own coordinates).
struct HoverOutlines {
  PixelRect cell;          // empty: no hovered cell
  bool cellOutline = false;   // the cell's own 1-pixel line (not when it is the box)
  PixelRect box;           // the highlighted folder's run of cells; empty: none
  bool innerLine = false;  // the box is at least 10 × 10 pixels
};
// The box is cached until the hovered cell or the cells change.
struct HoverBoxCache {
  uint32_t layoutGeneration = 0;
  int32_t cell = -1;
  bool valid = false;
  PixelRect box;
};
HoverOutlines hoverOutlines(HoverBoxCache& cache, const ViewState& s);
// Bounding box of the run of cells around `cell` whose nodes lie inside `folder`
// (the layout keeps a folder's cells together); empty when under 2 pixels either way.
PixelRect folderRunBox(const ViewState& s, int32_t cell, int32_t folder);

struct HoverColors {
  uint32_t cell, box, inner;
  float cellOpacity;
  bool glowLine;           // an extra 2-pixel line just outside the box at 0.45
};
HoverColors hoverColors(bool glowScheme);
