// The switch between the GPU path, the CPU path and the plain raster, through a sink
// that records what the window would do with Direct2D; and the GPU path's bookkeeping.
#include "treemap/map_bitmap.h"
#include "treemap/lava.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
struct RecordingSink : MapBitmapSink {
  bool gpuWorks = false;
  bool copyAvailable = true;
  bool refreshWorks = true;
  std::vector<uint32_t> copy;
  std::vector<uint32_t> bitmap;   // what the bitmap shows
  std::string calls;

  bool drawWithGpu(int32_t t, bool rasterNew, bool runsNew) override {
    calls += "gpu(" + std::to_string(t) + (rasterNew ? ",raster" : "") + (runsNew ? ",runs" : "") + ") ";
    return gpuWorks;
  }
  uint32_t* glowCopy(uint64_t pixelCount) override {
    if (!copyAvailable) return nullptr;
    copy.resize(pixelCount);
    return copy.data();
  }
  bool createBitmap(const uint32_t* pixels, int32_t width, int32_t height) override {
    calls += "create ";
    bitmap.assign(pixels, pixels + size_t(width) * size_t(height));
    return true;
  }
  bool refreshBitmap(const uint32_t* pixels, int32_t width, int32_t height) override {
    calls += "refresh ";
    if (!refreshWorks) return false;
    bitmap.assign(pixels, pixels + size_t(width) * size_t(height));
    return true;
  }
  void releaseBitmap() override { calls += "release "; }
  std::string take() { std::string out = calls; calls.clear(); return out; }
};

struct Map {
  TreemapLayout layout;
  std::vector<uint32_t> raster;
  int32_t width = 40, height = 30;
  Map() : raster(size_t(40 * 30), 0xFF120A08u) {
    layout.gap = 3;
    layout.flowRuns.push_back({10, 0, 30, 0, 0, 1});
    layout.maxFlow = 30;
  }
  MapBitmapRequest request(int32_t t, bool rasterNew = false, bool runsNew = false) const {
    MapBitmapRequest r;
    r.haveContext = true;
    r.pixels = raster.data();
    r.pixelCount = raster.size();
    r.width = width;
    r.height = height;
    r.layout = &layout;
    r.t = t;
    r.rasterNew = rasterNew;
    r.runsNew = runsNew;
    return r;
  }
  std::vector<uint32_t> glowAt(int32_t t) const {
    std::vector<uint32_t> pixels = raster;
    drawLavaFlow(layout, pixels.data(), pixels.size(), width, height, t);
    return pixels;
  }
};

class MapBitmap : public testing::Test {
 protected:
  Map map;
  MapBitmapState state;
  RecordingSink sink;
  // one paint; what the sink was asked to do
  std::string update(int32_t t, bool rasterNew = false, bool runsNew = false) {
    return update(map.request(t, rasterNew, runsNew));
  }
  std::string update(const MapBitmapRequest& request) {
    updateMapBitmap(state, request, sink);
    return sink.take();
  }
};
}  // namespace

// Under Wine the GPU path may not start: the CPU path then draws every new t, and
// nothing is redrawn while neither t nor the map changes.
TEST_F(MapBitmap, CpuPathWhenTheGpuGivesNothing) {
  struct Step { int32_t t; bool rasterNew, runsNew; const char* calls; } steps[] = {
      {0, true, true, "gpu(0,raster,runs) create "},
      {0, false, false, "gpu(0,raster,runs) "},        // same t: the bitmap is kept
      {12, false, false, "gpu(12,raster,runs) refresh "},
      {12, true, false, "gpu(12,raster,runs) refresh "}, // new raster at the same t
      {12, false, true, "gpu(12,raster,runs) refresh "}, // new runs at the same t
      {-1, false, false, "refresh "},                  // no glow: the plain raster
      {-1, false, false, ""},
      {-1, true, false, "refresh "},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(update(s.t, s.rasterNew, s.runsNew), s.calls) << "t " << s.t;
    EXPECT_TRUE(sink.bitmap == (s.t >= 0 ? map.glowAt(s.t) : map.raster)) << "t " << s.t;
  }
  EXPECT_EQ(state.content, MapBitmapContent::Plain);
}

TEST_F(MapBitmap, GpuBitmapWinsAndIsReleasedForTheCpu) {
  sink.gpuWorks = true;
  EXPECT_EQ(update(5, true, true), "gpu(5,raster,runs) ");
  EXPECT_EQ(state.content, MapBitmapContent::Gpu);
  EXPECT_EQ(update(6), "gpu(6) ") << "the GPU is told only what changed since it drew";
  // the device changed and the GPU path cannot start again: the CPU bitmap replaces it
  sink.gpuWorks = false;
  EXPECT_EQ(update(7), "gpu(7) release create ");
  EXPECT_EQ(state.content, MapBitmapContent::Glow);
  EXPECT_TRUE(sink.bitmap == map.glowAt(7));
  // plain raster after a GPU frame: released and made anew, never refreshed in place
  sink.gpuWorks = true;
  update(8);
  EXPECT_EQ(update(-1), "release create ");
}

// Changes seen while the plain raster was shown still reach the GPU when the glow returns.
TEST_F(MapBitmap, GpuHearsOfChangesMadeWhileItWasNotAsked) {
  sink.gpuWorks = true;
  update(5, true, true);
  update(-1, true, false);
  EXPECT_EQ(update(5), "gpu(5,raster) ");
}

TEST_F(MapBitmap, SizeChangeMakesANewBitmap) {
  EXPECT_EQ(update(-1, true), "create ");
  map.width = 30;
  map.height = 20;
  map.raster.assign(600, 0xFF000000u);
  EXPECT_EQ(update(-1, true), "release create ");
  EXPECT_EQ(state.width, 30);
  // a refresh that fails is followed by a new bitmap
  sink.refreshWorks = false;
  EXPECT_EQ(update(-1, true), "refresh release create ");
}

TEST_F(MapBitmap, NoCopyShowsThePlainRaster) {
  sink.copyAvailable = false;
  EXPECT_EQ(update(10, true, true), "gpu(10,raster,runs) create ");
  EXPECT_TRUE(sink.bitmap == map.raster);
  EXPECT_EQ(state.content, MapBitmapContent::Plain);
  sink.copyAvailable = true;
  update(10);
  EXPECT_TRUE(sink.bitmap == map.glowAt(10)) << "the glow comes back once there is memory";
}

// Nothing happens without a device context, pixels or a map area; a gap the glow
// cannot draw shows the plain raster without asking the GPU.
TEST_F(MapBitmap, NothingToDoOrNothingToGlow) {
  void (*unusable[])(MapBitmapRequest&) = {
      [](MapBitmapRequest& r) { r.haveContext = false; }, [](MapBitmapRequest& r) { r.pixels = nullptr; },
      [](MapBitmapRequest& r) { r.pixelCount = 10; }, [](MapBitmapRequest& r) { r.width = 0; }};
  for (auto change : unusable) {
    MapBitmapRequest r = map.request(3, true, true);
    change(r);
    EXPECT_EQ(update(r), "");
  }
  map.layout.gap = 17;
  EXPECT_EQ(update(3, true, true), "create ");
  map.layout.gap = 3;
  map.layout.flowRuns.clear();
  EXPECT_EQ(update(3), "");
  forgetMapBitmap(state);
  EXPECT_EQ(update(3), "create ") << "a forgotten bitmap is made again";
}

namespace {
int deviceA, deviceB, contextA, contextB;

LavaGpuFacts capableFacts(int32_t width, int32_t height) {
  LavaGpuFacts f;
  f.device = &deviceA;
  f.capable = true;
  f.context2d = &contextA;
  f.width = width;
  f.height = height;
  f.gap = 3;
  f.haveRuns = true;
  return f;
}

std::string planText(const LavaGpuPlan& p) {
  if (p.none) return "none";
  std::string text;
  if (p.setUpDevice) text += "device ";
  if (p.makeSurfaces) text += "surfaces ";
  if (p.uploadLookup) text += "lookup ";
  if (p.uploadRaster) text += "raster ";
  if (p.redraw) text += "copy ";
  if (p.drawRuns) text += "draw ";
  return text.empty() ? "keep" : text;
}
}  // namespace

TEST(LavaGpuPlan, RedoesOnlyWhatChanged) {
  LavaGpuFacts f = capableFacts(200, 100);
  LavaGpuMemory memory;
  struct Step { const char* what; void (*change)(LavaGpuFacts&); const char* plan; } steps[] = {
      {"first frame", [](LavaGpuFacts& x) { x.t = 0; x.rasterNew = x.runsNew = true; }, "device surfaces lookup raster copy draw "},
      {"next t", [](LavaGpuFacts& x) { x.t = 4; x.rasterNew = x.runsNew = false; }, "copy draw "},
      {"same t", [](LavaGpuFacts&) {}, "keep"},
      {"new raster at rest", [](LavaGpuFacts& x) { x.rasterNew = true; }, "raster copy draw "},
      {"new runs", [](LavaGpuFacts& x) { x.rasterNew = false; x.runsNew = true; }, "lookup copy draw "},
      {"new gap", [](LavaGpuFacts& x) { x.runsNew = false; x.gap = 4; }, "lookup copy draw "},
      {"resized", [](LavaGpuFacts& x) { x.width = 300; }, "surfaces raster copy draw "},
      {"new 2D context", [](LavaGpuFacts& x) { x.context2d = &contextB; }, "surfaces raster copy draw "},
      {"no glow", [](LavaGpuFacts& x) { x.t = -1; }, "copy "},
      {"new runs without glow", [](LavaGpuFacts& x) { x.runsNew = true; }, "keep"},
      {"glow again", [](LavaGpuFacts& x) { x.runsNew = false; x.t = 9; }, "lookup copy draw "},
      {"gap too wide", [](LavaGpuFacts& x) { x.gap = 17; x.t = 10; }, "copy "},
      {"new device", [](LavaGpuFacts& x) { x.gap = 3; x.device = &deviceB; }, "device surfaces lookup raster copy draw "},
      {"device not capable", [](LavaGpuFacts& x) { x.device = &deviceA; x.capable = false; }, "none"},
      {"still not", [](LavaGpuFacts& x) { x.capable = true; }, "none"},
      {"another device", [](LavaGpuFacts& x) { x.device = &deviceB; }, "device surfaces lookup raster copy draw "},
      {"no device", [](LavaGpuFacts& x) { x.device = nullptr; }, "none"},
  };
  for (const auto& s : steps) {
    s.change(f);
    EXPECT_EQ(planText(planLavaGpu(memory, f)), s.plan) << s.what;
  }
}

TEST(LavaGpuPlan, FailureHoldsForTheDevice) {
  LavaGpuFacts f = capableFacts(10, 10);
  f.t = 0;
  LavaGpuMemory memory;
  EXPECT_FALSE(planLavaGpu(memory, f).none);
  lavaGpuFailed(memory);   // say the shaders were refused
  f.t = 1;
  EXPECT_TRUE(planLavaGpu(memory, f).none);
  f.device = &deviceB;
  EXPECT_EQ(planText(planLavaGpu(memory, f)), "device surfaces lookup raster copy draw ");
  // no Direct2D context or no area: nothing now, the device is still set up later
  f.device = &deviceA;
  f.context2d = nullptr;
  EXPECT_TRUE(planLavaGpu(memory, f).none);
  f.context2d = &contextA;
  EXPECT_EQ(planText(planLavaGpu(memory, f)), "device surfaces lookup raster copy draw ");
}
