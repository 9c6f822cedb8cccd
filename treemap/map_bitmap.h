// Which path draws the map bitmap: the GPU lava path when it can, else the CPU
// path into a copy of the raster, else the plain raster; and when a bitmap has to
// be made, refreshed or kept. The decisions are here; the window implements
// MapBitmapSink with Direct2D (and LavaGpu), the tests with a recorder.
//
// Threading: the window thread, like the bitmap it describes.
//
// Sections: the map bitmap · the GPU path's bookkeeping
#pragma once
#include "treemap/treemap.h"
#include <cstdint>

// --- The map bitmap ------------------------------------------------------------------
struct MapBitmapSink {
  // LavaGpu: true when its bitmap (raster + glow at t) is now the map bitmap; the
  // sink releases the previous one. `rasterNew` and `runsNew` tell what changed
  // since the GPU path last drew.
  virtual bool drawWithGpu(int32_t t, bool rasterNew, bool runsNew) = 0;
  // A buffer of at least `pixelCount` pixels for the CPU glow; null when it cannot be had.
  virtual uint32_t* glowCopy(uint64_t pixelCount) = 0;
  virtual bool createBitmap(const uint32_t* pixels, int32_t width, int32_t height) = 0;
  virtual bool refreshBitmap(const uint32_t* pixels, int32_t width, int32_t height) = 0;
  virtual void releaseBitmap() = 0;
 protected:
  ~MapBitmapSink() = default;
};

enum class MapBitmapContent : uint8_t { None, Gpu, Plain, Glow };

struct MapBitmapState {
  MapBitmapContent content = MapBitmapContent::None;
  int32_t width = 0, height = 0;    // of the bitmap
  int32_t glowT = -1;               // t of the CPU glow in the bitmap; -1: none
  bool cpuStale = true;             // raster or runs changed since the CPU path last uploaded
  bool gpuRasterNew = true;         // ... since the GPU path last drew
  bool gpuRunsNew = true;
};

struct MapBitmapRequest {
  bool haveContext = false;         // a Direct2D device context to make bitmaps with
  const uint32_t* pixels = nullptr; // the cushion raster, width × height
  uint64_t pixelCount = 0;
  int32_t width = 0, height = 0;
  const TreemapLayout* layout = nullptr;
  int32_t t = -1;                   // the lava's progress (LavaState::t)
  bool rasterNew = false;           // the raster was redone since the last request
  bool runsNew = false;             // the layout (and its runs) was redone
};

// Brings the map bitmap up to date for one paint.
void updateMapBitmap(MapBitmapState& state, const MapBitmapRequest& request, MapBitmapSink& sink);
// The window released the bitmap (device change or loss): the next update makes a new one.
void forgetMapBitmap(MapBitmapState& state);

// --- The GPU path's bookkeeping ----------------------------------------------------------
// LavaGpu redoes its device objects, surfaces and lookup data only when what they
// were made for changes, and draws only when the picture changes.
struct LavaGpuFacts {
  const void* device = nullptr;     // the Direct3D device (identity only)
  bool capable = false;             // feature level 10.0+, ID3D11Device1 and ID3D11DeviceContext1
  const void* context2d = nullptr;  // the Direct2D device context (identity only)
  int32_t width = 0, height = 0, gap = 0;
  int32_t t = -1;
  bool haveRuns = false;
  bool rasterNew = false, runsNew = false;
};

struct LavaGpuMemory {
  const void* device = nullptr;
  bool failed = false;              // not used again for this device
  bool deviceReady = false;
  const void* context2d = nullptr;
  int32_t width = 0, height = 0;
  int32_t lookupGap = 0;            // gap of the lookup data uploaded; 0: none
  bool runsPending = true;          // runs changed since they were uploaded
  bool drawn = false;
  int32_t drawnT = -1;
};

struct LavaGpuPlan {
  bool none = false;                // return no bitmap: the CPU path draws
  bool setUpDevice = false;         // context state, shaders, input layout, blend state, constants
  bool makeSurfaces = false;        // source and target textures, their view, the bitmap
  bool uploadLookup = false;        // lookup data for the gap and the vertex buffer of the runs
  bool uploadRaster = false;        // copy the raster into the source texture
  bool redraw = false;              // copy source to target, then ...
  bool drawRuns = false;            // ... draw the runs at t
};

// What LavaGpu has to do for one call; records it as done. A creation that fails
// afterwards is reported with lavaGpuFailed.
LavaGpuPlan planLavaGpu(LavaGpuMemory& memory, const LavaGpuFacts& facts);
void lavaGpuFailed(LavaGpuMemory& memory);
