// The map's two transitions on the device: the snapshot of the map taken just
// before a change, and the frames of the zoom and marks transitions drawn from the
// snapshot and the new map bitmap in place of the map (the geometry and the clocks
// are ui/zoom_transition.h and ui/marks_transition.h).
//
// The snapshot is device-bound like the map bitmap: a lost device drops it, and a
// transition without its snapshot simply shows the new map.
//
// Threading: the window thread; the drawing calls between BeginDraw and EndDraw.
#pragma once
#include "render/pixel_rect.h"
#include "render/win32/draw.h"
#include "ui/marks_transition.h"
#include "ui/zoom_transition.h"
#include "ui/win32/map_bitmap.h"
#include <d2d1_1.h>

struct MapTransitions {
  ID2D1Bitmap* snapshot = nullptr;   // counted
  int32_t snapshotWidth = 0, snapshotHeight = 0;   // the map's size when taken; 0 × 0: none
  ZoomTransition zoom;
  MarksTransition marks;
  uint64_t zoomFramesDrawn = 0, marksFramesDrawn = 0;   // for tests and benchmarks
  double slowdown = 1;               // tests only: the transitions' clock runs this many times slower
  bool running() const { return zoom.running || marks.running; }
};

// Brings the map bitmap up to its picture, makes sure a snapshot bitmap of its pixel
// size exists and copies the map into it. False (and no snapshot size) on failure.
bool takeMapSnapshot(MapTransitions& t, MapBitmap& bitmap, MapPicture& picture, ID2D1DeviceContext* dc);
void releaseMapTransitions(MapTransitions& t);
void releaseMapSnapshotHook(void* transitions);   // a ReleaseHook: the device went away

// The transitions' clock: milliseconds since `startMs` as the transitions count them.
inline double transitionElapsed(const MapTransitions& t, double startMs, double nowMs) {
  return (nowMs - startMs) / t.slowdown;
}

// Draws the running transition's frame at `nowMs` into `area` (window pixels, the
// clip set) from the snapshot and `current` (the new map bitmap), with `background`
// behind cells that shrink or grow. False when there is nothing to draw this way:
// no transition, no snapshot, or pictures of another size than the area.
bool paintMapTransition(MapTransitions& t, const MapBitmap& current, const PixelRect& area, double nowMs,
                        uint32_t background, Canvas& c);
