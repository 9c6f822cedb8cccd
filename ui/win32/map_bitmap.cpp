#include "ui/win32/map_bitmap.h"

#include "render/win32/device.h"

namespace {

D2D1_BITMAP_PROPERTIES rasterProperties() {
  // The raster's alpha byte is always 0xFF; ignoring it spares Direct2D the blend.
  return {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE}, 96.0f, 96.0f};
}

void dropBitmap(MapBitmap& b) {
  if (b.bitmap) b.bitmap->Release();
  b.bitmap = nullptr;
  b.width = b.height = 0;
}

// Direct2D and LavaGpu under the path choice of treemap/map_bitmap.h.
struct DeviceSink final : MapBitmapSink {
  MapBitmap& b;
  const MapPicture& picture;
  ID2D1DeviceContext* dc;
  DeviceSink(MapBitmap& bitmap, const MapPicture& p, ID2D1DeviceContext* context) : b(bitmap), picture(p), dc(context) {}

  bool drawWithGpu(int32_t t, bool rasterNew, bool runsNew) override {
    const RenderDevice* device = acquireRenderDevice();
    if (!device || !device->d3d) return false;
    // Direct2D's queued drawing goes first: the glow is drawn on the same device.
    dc->Flush();
    ID2D1Bitmap* glowing = drawLavaGpu(b.gpu, device->d3d, device->immediate, dc, picture.cells, picture.pixels.data(),
                                       picture.width, picture.height, rasterNew, runsNew, t);
    if (!glowing) return false;
    if (b.bitmap != glowing) {
      dropBitmap(b);
      glowing->AddRef();
      b.bitmap = glowing;
      b.width = picture.width;
      b.height = picture.height;
    }
    b.gpuFrames++;
    return true;
  }

  uint32_t* glowCopy(uint64_t pixelCount) override {
    if (b.glowCopy.size() < pixelCount) b.glowCopy.resize(pixelCount);
    b.cpuGlows++;
    return b.glowCopy.data();
  }

  bool createBitmap(const uint32_t* pixels, int32_t width, int32_t height) override {
    dropBitmap(b);
    if (FAILED(dc->CreateBitmap(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height)), pixels,
                                static_cast<UINT32>(width) * 4, rasterProperties(), &b.bitmap))) {
      b.bitmap = nullptr;
      return false;
    }
    b.width = width;
    b.height = height;
    b.creations++;
    return true;
  }

  bool refreshBitmap(const uint32_t* pixels, int32_t width, int32_t height) override {
    if (!b.bitmap || b.width != width || b.height != height) return false;
    D2D1_RECT_U all = {0, 0, static_cast<UINT32>(width), static_cast<UINT32>(height)};
    if (FAILED(b.bitmap->CopyFromMemory(&all, pixels, static_cast<UINT32>(width) * 4))) return false;
    b.refreshes++;
    return true;
  }

  void releaseBitmap() override { dropBitmap(b); }
};

}  // namespace

bool mapGlowAfterLayout(MapBitmap& b, const MapPicture& picture, uint64_t treeNumber, int32_t viewRoot,
                        bool animationsOn, double nowMs) {
  b.runsNew = true;
  return lavaAfterLayout(b.lava, picture.cells, treeNumber, viewRoot, animationsOn, nowMs);
}

bool mapGlowStep(MapBitmap& b, double nowMs) { return lavaStep(b.lava, nowMs); }

bool syncMapBitmap(MapBitmap& b, MapPicture& picture, ID2D1DeviceContext* dc) {
  if (picture.pixelsNew) b.rasterNew = true;
  // The bitmap lost with the device must be made again even when the pixels are old.
  if (!b.bitmap && b.state.content != MapBitmapContent::None) forgetMapBitmap(b.state);
  MapBitmapRequest request;
  request.haveContext = dc != nullptr;
  request.pixels = picture.pixels.empty() ? nullptr : picture.pixels.data();
  request.pixelCount = picture.pixels.size();
  request.width = picture.width;
  request.height = picture.height;
  request.layout = &picture.cells;
  request.t = b.lava.t;
  request.rasterNew = b.rasterNew;
  request.runsNew = b.runsNew;
  DeviceSink sink(b, picture, dc);
  updateMapBitmap(b.state, request, sink);
  if (request.pixels && dc) {
    b.rasterNew = b.runsNew = false;
    picture.pixelsNew = false;
  }
  return b.bitmap != nullptr;
}

void releaseMapBitmap(MapBitmap& b) {
  dropBitmap(b);
  forgetMapBitmap(b.state);
  releaseLavaGpu(b.gpu);
  b.rasterNew = b.runsNew = true;
}

void releaseMapBitmapHook(void* bitmap) { releaseMapBitmap(*static_cast<MapBitmap*>(bitmap)); }
