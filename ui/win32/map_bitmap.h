// The map's pixels on the device: one Direct2D bitmap that is written only when its
// pixels are new, so that a paint which changes nothing in the map draws the same
// bitmap again. It is device-bound: a lost or changed device releases it and the
// next paint makes it again from the pixels, which stay on the CPU side.
//
// With a glowing scheme the bitmap holds the raster with the lava's glow at the
// clock's t: drawn on the render device by LavaGpu when it can, else on the CPU
// into a copy of the raster (treemap/map_bitmap.h decides which and when).
//
// Threading: the window thread.
#pragma once
#include "render/win32/lava_gpu.h"
#include "treemap/lava_clock.h"
#include "treemap/map_bitmap.h"
#include "ui/map_update.h"
#include <d2d1_1.h>
#include <cstdint>
#include <vector>

struct MapBitmap {
  ID2D1Bitmap* bitmap = nullptr;       // counted; LavaGpu's own bitmap while the GPU draws
  int32_t width = 0, height = 0;
  uint64_t creations = 0, refreshes = 0, gpuFrames = 0, cpuGlows = 0;   // for tests and benchmarks
  MapBitmapState state;                // which path filled it, with what
  LavaState lava;                      // the glow's clock
  LavaGpu gpu;
  std::vector<uint32_t> glowCopy;      // the CPU path's picture
  bool rasterNew = true, runsNew = true;   // since the last update of the bitmap
};

// After a map update that laid out: starts or continues the glow's clock for the
// tree `treeNumber` (new for every scan or import) shown from `viewRoot`. True while
// the glow flows (the 15 ms timer should run).
bool mapGlowAfterLayout(MapBitmap& bitmap, const MapPicture& picture, uint64_t treeNumber, int32_t viewRoot,
                        bool animationsOn, double nowMs);
// The 15 ms step: false once the glow rests (stop the timer).
bool mapGlowStep(MapBitmap& bitmap, double nowMs);

// Brings the bitmap up to the picture and the glow's t. False when there is no bitmap.
bool syncMapBitmap(MapBitmap& bitmap, MapPicture& picture, ID2D1DeviceContext* dc);
void releaseMapBitmap(MapBitmap& bitmap);
void releaseMapBitmapHook(void* bitmap);   // a ReleaseHook for DeviceBoundResources
