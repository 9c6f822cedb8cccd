// Sections: the map bitmap · the GPU path's bookkeeping
#include "treemap/map_bitmap.h"
#include "treemap/lava.h"
#include <cstring>

// --- The map bitmap ----------------------------------------------------------------------
namespace {
bool sameSize(const MapBitmapState& state, const MapBitmapRequest& request) {
  return state.width == request.width && state.height == request.height;
}

// A bitmap of the GPU path or of another size is released first; an existing one is
// refreshed in place, else a new one is made.
bool upload(MapBitmapState& state, const MapBitmapRequest& request, MapBitmapSink& sink,
            const uint32_t* pixels, MapBitmapContent content) {
  bool exists = state.content != MapBitmapContent::None;
  if (exists && (state.content == MapBitmapContent::Gpu || !sameSize(state, request))) {
    sink.releaseBitmap();
    exists = false;
  }
  bool done = exists && sink.refreshBitmap(pixels, request.width, request.height);
  if (!done) {
    if (exists) sink.releaseBitmap();
    done = sink.createBitmap(pixels, request.width, request.height);
  }
  if (!done) {
    state.content = MapBitmapContent::None;
    return false;
  }
  state.content = content;
  state.width = request.width;
  state.height = request.height;
  state.cpuStale = false;
  return true;
}
}  // namespace

void updateMapBitmap(MapBitmapState& state, const MapBitmapRequest& request, MapBitmapSink& sink) {
  if (!request.haveContext || !request.pixels || request.width <= 0 || request.height <= 0) return;
  uint64_t pixelCount = uint64_t(request.width) * uint64_t(request.height);
  if (request.pixelCount < pixelCount) return;
  if (request.rasterNew) state.cpuStale = state.gpuRasterNew = true;
  if (request.runsNew) state.cpuStale = state.gpuRunsNew = true;

  const TreemapLayout* layout = request.layout;
  bool glow = request.t >= 0 && layout && !layout->flowRuns.empty() && lavaGapDrawable(layout->gap);
  if (glow) {
    if (sink.drawWithGpu(request.t, state.gpuRasterNew, state.gpuRunsNew)) {
      state.content = MapBitmapContent::Gpu;
      state.width = request.width;
      state.height = request.height;
      state.gpuRasterNew = state.gpuRunsNew = false;
      state.glowT = -1;
      return;
    }
    if (state.content == MapBitmapContent::Glow && sameSize(state, request) && !state.cpuStale &&
        state.glowT == request.t)
      return;
    if (uint32_t* copy = sink.glowCopy(pixelCount)) {
      std::memcpy(copy, request.pixels, pixelCount * sizeof(uint32_t));
      drawLavaFlow(*layout, copy, pixelCount, request.width, request.height, request.t);
      state.glowT = upload(state, request, sink, copy, MapBitmapContent::Glow) ? request.t : -1;
      return;
    }
    // no memory for the copy: the plain raster is better than no map
  }
  state.glowT = -1;
  if (state.content == MapBitmapContent::Plain && sameSize(state, request) && !state.cpuStale) return;
  upload(state, request, sink, request.pixels, MapBitmapContent::Plain);
}

void forgetMapBitmap(MapBitmapState& state) {
  state = MapBitmapState{};
}

// --- The GPU path's bookkeeping --------------------------------------------------------------

LavaGpuPlan planLavaGpu(LavaGpuMemory& memory, const LavaGpuFacts& facts) {
  LavaGpuPlan plan;
  if (facts.device != memory.device) {
    memory = LavaGpuMemory{};
    memory.device = facts.device;
    memory.failed = !facts.device || !facts.capable;
  }
  if (facts.runsNew) memory.runsPending = true;
  if (memory.failed || !facts.context2d || facts.width <= 0 || facts.height <= 0) {
    plan.none = true;
    return plan;
  }
  plan.setUpDevice = !memory.deviceReady;
  memory.deviceReady = true;
  if (facts.context2d != memory.context2d || facts.width != memory.width || facts.height != memory.height) {
    plan.makeSurfaces = plan.uploadRaster = plan.redraw = true;
    memory.context2d = facts.context2d;
    memory.width = facts.width;
    memory.height = facts.height;
  }
  bool drawable = facts.t >= 0 && facts.haveRuns && lavaGapDrawable(facts.gap);
  if (drawable && (facts.gap != memory.lookupGap || memory.runsPending)) {
    plan.uploadLookup = plan.redraw = true;
    memory.lookupGap = facts.gap;
    memory.runsPending = false;
  }
  // a new raster shows even when t stays the same (a repaint at rest)
  if (facts.rasterNew) plan.uploadRaster = plan.redraw = true;
  if (!memory.drawn || facts.t != memory.drawnT) plan.redraw = true;
  plan.drawRuns = plan.redraw && drawable;
  if (plan.redraw) {
    memory.drawn = true;
    memory.drawnT = facts.t;
  }
  return plan;
}

void lavaGpuFailed(LavaGpuMemory& memory) {
  memory.failed = true;
}
