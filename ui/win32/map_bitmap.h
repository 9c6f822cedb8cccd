// The map's pixels on the device: one Direct2D bitmap that is written only when
// the raster is new, so that a paint which changes nothing in the map draws the
// same bitmap again. It is device-bound: a lost or changed device releases it and
// the next paint makes it again from the pixels, which stay on the CPU side.
//
// The lava glow joins here: with a glowing scheme the glow's step hands its own
// picture (the raster with the glow added, or the GPU's bitmap) instead of the
// plain raster; see syncMapBitmap.
//
// Threading: the window thread.
#pragma once
#include "ui/map_update.h"
#include <d2d1_1.h>
#include <cstdint>

struct MapBitmap {
  ID2D1Bitmap* bitmap = nullptr;
  int32_t width = 0, height = 0;
  uint64_t creations = 0, refreshes = 0;   // for tests and benchmarks
};

// Brings the bitmap up to the picture: pixels that are new are copied into the
// bitmap of their size (made when missing or of another size); otherwise nothing
// happens. The picture's pixels stop being new. False when the bitmap could not be made.
bool syncMapBitmap(MapBitmap& bitmap, MapPicture& picture, ID2D1DeviceContext* dc);
void releaseMapBitmap(MapBitmap& bitmap);
void releaseMapBitmapHook(void* bitmap);   // a ReleaseHook for DeviceBoundResources
