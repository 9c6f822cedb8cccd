// The zoom transition: the old picture of the map scales into the new one when the
// view root changes. Zooming in, the snapshot of the old map is magnified until the
// folder's rectangle fills the map while the new map fades in over that rectangle;
// zooming out runs the same in reverse with the new map as the scaled picture. The
// last frame is exactly the new map, so a transition cut short never shows a jump.
//
// Here: the geometry of one frame, finding a folder's rectangle in a layout, and the
// transition's clock and frame rate. The Windows side draws the two bitmaps.
//
// Threading: the window thread; plain values and pure functions.
#pragma once
#include "engine/tree.h"
#include "render/pixel_rect.h"
#include "treemap/treemap.h"
#include <cstdint>

constexpr double kZoomTransitionMs = 280;
constexpr uint32_t kMapTransitionTickMs = 15;   // the frame cadence of both map transitions

// A rectangle in fractional pixels, as Direct2D draws bitmaps.
struct MapRectF {
  double left = 0, top = 0, right = 0, bottom = 0;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
  bool operator==(const MapRectF&) const = default;
};

struct ZoomTransition {
  bool running = false;
  bool zoomIn = true;
  PixelRect folder;            // the folder's rectangle, map pixels
  double startMs = 0;
  uint64_t framesAtStart = 0;  // FrameTiming::zoomFrames when it started
};

// One frame: `source` (a window of the scaled picture, its pixels) is drawn over the
// whole map; then, when `drawOther`, the other picture fills `other` (map pixels)
// with `otherOpacity`. Zooming in the scaled picture is the snapshot, zooming out it
// is the new map.
struct ZoomFrame {
  bool sourceIsSnapshot = true;
  MapRectF source;
  bool drawOther = false;
  MapRectF other;
  double otherOpacity = 0;
};
ZoomFrame zoomFrame(bool zoomIn, const PixelRect& folder, int32_t width, int32_t height, double elapsedMs);

// The bounding box of the layout's rectangles whose node lies inside `folder` (each
// node walked up until it reaches `folder` or `viewRoot`). False when none does or
// the box is under 2 pixels either way: too small to scale from.
bool folderRectInLayout(const TreemapLayout& layout, const Tree& tree, int32_t folder, int32_t viewRoot,
                        PixelRect& out);

void startZoomTransition(ZoomTransition& z, bool zoomIn, const PixelRect& folder, double nowMs, uint64_t zoomFrames);
// Its time is up.
bool zoomTransitionDone(const ZoomTransition& z, double nowMs);
// frames · 1000 / elapsed; -1 when no frame was drawn or no time passed.
double zoomFrameRate(uint64_t frames, double startMs, double nowMs);
// Ends a running transition. With `measure` and frames drawn, `lastZoomFps` takes the
// rate (a size change ends it without measuring). True when one was running.
bool endZoomTransition(ZoomTransition& z, double nowMs, uint64_t zoomFrames, bool measure, double& lastZoomFps);
