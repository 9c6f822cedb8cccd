#include "ui/win32/map_bitmap.h"

namespace {

D2D1_BITMAP_PROPERTIES rasterProperties() {
  // The raster's alpha byte is always 0xFF; ignoring it spares Direct2D the blend.
  return {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE}, 96.0f, 96.0f};
}

}  // namespace

bool syncMapBitmap(MapBitmap& bitmap, MapPicture& picture, ID2D1DeviceContext* dc) {
  if (!dc || picture.pixels.empty()) return bitmap.bitmap != nullptr;
  // The bitmap lost with the device must be made again even when the pixels are old.
  if (!picture.pixelsNew && bitmap.bitmap) return true;
  // Glow hook: with a glowing scheme the lava's step decides what reaches the bitmap
  // here (its GPU bitmap, or a copy of the raster with the CPU glow at the step's t);
  // this function then only uploads whatever pixels it hands over.
  const uint32_t* pixels = picture.pixels.data();
  const int32_t width = picture.width, height = picture.height;
  if (bitmap.bitmap && (bitmap.width != width || bitmap.height != height)) releaseMapBitmap(bitmap);
  if (bitmap.bitmap) {
    D2D1_RECT_U all = {0, 0, static_cast<UINT32>(width), static_cast<UINT32>(height)};
    if (FAILED(bitmap.bitmap->CopyFromMemory(&all, pixels, static_cast<UINT32>(width) * 4))) {
      releaseMapBitmap(bitmap);
      return false;
    }
    bitmap.refreshes++;
  } else {
    HRESULT hr = dc->CreateBitmap(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height)), pixels,
                                  static_cast<UINT32>(width) * 4, rasterProperties(), &bitmap.bitmap);
    if (FAILED(hr)) {
      bitmap.bitmap = nullptr;
      return false;
    }
    bitmap.width = width;
    bitmap.height = height;
    bitmap.creations++;
  }
  picture.pixelsNew = false;
  return true;
}

void releaseMapBitmap(MapBitmap& bitmap) {
  if (bitmap.bitmap) bitmap.bitmap->Release();
  bitmap.bitmap = nullptr;
  bitmap.width = bitmap.height = 0;
}

void releaseMapBitmapHook(void* bitmap) { releaseMapBitmap(*static_cast<MapBitmap*>(bitmap)); }
