// The CPU glow against the rules read plainly, pixel by pixel, and golden frames of
// the demo tree's flow.
#include "treemap/lava.h"
#include "golden.h"
#include "tree_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

// The scheme the maps of this file are drawn with.
static int32_t gTestScheme = 0;

namespace {
uint32_t kernel(int32_t i, int32_t radius) {
  double v = (1 - std::sqrt(double(i)) / radius);
  return uint32_t(std::trunc(std::min(65535.0, std::max(0.0, v * v * 256))));
}

void addTo(uint32_t& pixel, uint32_t color, uint32_t weight) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    uint32_t sum = (pixel >> shift & 0xFF) + (((color >> shift & 0xFF) * weight) >> 8);
    out |= std::min(sum, 255u) << shift;
  }
  pixel = out;
}

// Every reached pixel adds its cross-section, the last reached pixel its head disc.
void referenceGlow(const TreemapLayout& layout, std::vector<uint32_t>& pixels, int32_t width,
                   int32_t height, int32_t t) {
  int32_t g = layout.gap;
  if (g < 1 || g > 16 || t < 0) return;
  auto at = [&](int64_t x, int64_t y) -> uint32_t* {
    if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    return &pixels[size_t(y) * size_t(width) + size_t(x)];
  };
  for (const FlowRun& run : layout.flowRuns) {
    int32_t w = t - run.startAge;
    int32_t reached = std::min(run.length, std::max(0, w + 1));
    for (int32_t k = 0; k < reached; ++k) {
      int64_t px = int64_t(run.x) + int64_t(k) * run.stepX, py = int64_t(run.y) + int64_t(k) * run.stepY;
      int32_t age = std::min(w - k, 80 * g);
      for (int32_t o = -(g + 1); o <= g + 1; ++o) {
        uint32_t* pixel = run.stepX == 0 ? at(px + o, py) : at(px, py + o);
        if (pixel) addTo(*pixel, lavaRamp(age, g), o == 0 ? 256 : kernel(o * o, g + 2));
      }
    }
    if (reached <= 0) continue;
    int32_t c = w - (reached - 1);
    if (c >= 6 * g) continue;
    int64_t hx = int64_t(run.x) + int64_t(reached - 1) * run.stepX;
    int64_t hy = int64_t(run.y) + int64_t(reached - 1) * run.stepY;
    for (int32_t dy = -4 * g; dy <= 4 * g; ++dy)
      for (int32_t dx = -4 * g; dx <= 4 * g; ++dx) {
        int32_t d = dx * dx + dy * dy;
        if (d > 16 * g * g) continue;
        uint32_t strength = uint32_t(6 * g - c) * kernel(d, 4 * g + 1) / uint32_t(6 * g);
        if (uint32_t* pixel = at(hx + dx, hy + dy)) addTo(*pixel, lavaRamp(c, g), strength);
      }
  }
}

FlowRun randomRun(std::mt19937& random, int32_t width, int32_t height) {
  static const int8_t steps[3][2] = {{0, 1}, {1, 0}, {-1, 0}};
  const int8_t* step = steps[random() % 3];
  return {int32_t(random() % uint32_t(width + 60)) - 30, int32_t(random() % uint32_t(height + 60)) - 30,
          1 + int32_t(random() % 70), int32_t(random() % 120), step[0], step[1]};
}
}  // namespace

TEST(LavaDraw, MatchesThePlainRulesPixelForPixel) {
  std::mt19937 random(1623);
  const int32_t gaps[] = {1, 2, 3, 4, 7, 16};
  for (int round = 0; round < 120; ++round) {
    int32_t width = 1 + int32_t(random() % 130), height = 1 + int32_t(random() % 100);
    TreemapLayout layout;
    layout.gap = gaps[random() % 6];
    int runs = int(random() % 12);
    for (int i = 0; i < runs; ++i) layout.flowRuns.push_back(randomRun(random, width, height));
    std::vector<uint32_t> background(size_t(width) * size_t(height));
    for (uint32_t& p : background) p = 0xFF000000u | (random() & 0xFFFFFF) >> (random() % 3 * 3);
    int32_t t = int32_t(random() % 900) - 2;
    std::vector<uint32_t> expected = background, drawn = background;
    referenceGlow(layout, expected, width, height, t);
    drawLavaFlow(layout, drawn.data(), drawn.size(), width, height, t);
    for (size_t i = 0; i < drawn.size(); ++i)
      ASSERT_EQ(drawn[i], expected[i]) << "round " << round << " gap " << layout.gap << " t " << t << " at "
                                       << i % size_t(width) << "," << i / size_t(width);
  }
}

TEST(LavaDraw, RealLayoutsMatchThePlainRules) {
  std::mt19937 random(77);
  for (int round = 0; round < 12; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 300), 1 + int(random() % 30), 1 + int(random() % 5));
    int32_t width = 60 + int32_t(random() % 300), height = 60 + int32_t(random() % 200);
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, 1 + int32_t(random() % 4), true, mapSchemeAt(gTestScheme));
    std::vector<uint32_t> expected(size_t(width) * size_t(height), 0xFF120A08u);
    std::vector<uint32_t> drawn = expected;
    int32_t t = int32_t(random() % uint32_t(lavaTotal(layout) + 2));
    referenceGlow(layout, expected, width, height, t);
    drawLavaFlow(layout, drawn.data(), drawn.size(), width, height, t);
    ASSERT_TRUE(drawn == expected) << "round " << round << " t " << t;
    releaseTreemapLayout(layout);
  }
}

// One vertical run of 20 pixels on black at t = 40: the head has cooled away (its age
// 21 is beyond 6g = 18) and every pixel shows the ramp at its age, full on the line
// and weaker across it, (1 − |o| / 5)² · 256 for the offset o, up to 4 pixels away.
TEST(LavaDraw, CrossSectionOfOneRun) {
  TreemapLayout layout;
  layout.gap = 3;
  layout.flowRuns.push_back({10, 0, 20, 0, 0, 1});
  std::vector<uint32_t> pixels(30 * 30, 0xFF000000u);
  drawLavaFlow(layout, pixels.data(), pixels.size(), 30, 30, 40);
  const uint32_t weights[] = {256, 163, 92, 40, 10};
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      int32_t o = std::abs(x - 10);
      uint32_t expected = 0xFF000000u;
      if (y < 20 && o <= 4) {
        uint32_t color = lavaRamp(40 - y, 3);
        for (int shift = 0; shift <= 16; shift += 8)
          expected |= (((color >> shift & 0xFF) * weights[o]) >> 8) << shift;
      }
      ASSERT_EQ(pixels[size_t(y) * 30 + size_t(x)], expected) << x << "," << y;
    }
  EXPECT_EQ(pixels[10], 0xFF000000u | lavaRamp(40, 3));
}

// At rest every reached pixel has cooled to the dark red end colour and no head is left.
TEST(LavaDraw, AtRestTheNetworkIsDarkRed) {
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  std::vector<uint32_t> pixels(160 * 100, 0xFF000000u);
  int32_t total = lavaTotal(layout);
  drawLavaFlow(layout, pixels.data(), pixels.size(), 160, 100, total);
  std::vector<uint32_t> later(160 * 100, 0xFF000000u);
  drawLavaFlow(layout, later.data(), later.size(), 160, 100, total + 500);
  // ages are capped and heads gone: later times change nothing
  EXPECT_TRUE(pixels == later);
  for (const FlowRun& run : layout.flowRuns) {
    uint32_t p = pixels[size_t(run.y) * 160 + size_t(run.x)];
    EXPECT_GE(p & 0xFF0000, lavaRamp(240, 3) & 0xFF0000) << "not reached: " << run.x << "," << run.y;
  }
  // on the left border, away from every horizontal line, the line is exactly the end colour
  const FlowRun& left = layout.flowRuns[0];
  int checked = 0;
  for (int32_t y = left.y; y < left.y + left.length; ++y) {
    bool alone = true;
    for (const GapLine& line : layout.gapLines) alone = alone && (line.vertical || std::abs(line.y - y) > 4);
    if (!alone) continue;
    EXPECT_EQ(pixels[size_t(y) * 160 + size_t(left.x)], 0xFF000000u | lavaRamp(240, 3)) << y;
    ++checked;
  }
  EXPECT_GT(checked, 10);
  releaseTreemapLayout(layout);
}

TEST(LavaDraw, NothingDrawnOutsideItsRange) {
  TreemapLayout layout;
  layout.flowRuns.push_back({5, 0, 20, 0, 0, 1});
  struct Case { int32_t gap, t; uint64_t pixelCount; } cases[] = {
      {0, 10, 400}, {17, 10, 400}, {-3, 10, 400}, {3, -1, 400}, {3, 10, 399}};
  for (const Case& c : cases) {
    layout.gap = c.gap;
    std::vector<uint32_t> pixels(400, 0xFF101010u);
    drawLavaFlow(layout, pixels.data(), c.pixelCount, 20, 20, c.t);
    for (uint32_t p : pixels) ASSERT_EQ(p, 0xFF101010u) << "gap " << c.gap << " t " << c.t;
  }
  layout.gap = 16;   // the largest gap still glows
  std::vector<uint32_t> pixels(400, 0xFF101010u);
  drawLavaFlow(layout, pixels.data(), pixels.size(), 20, 20, 10);
  EXPECT_NE(pixels[5], 0xFF101010u);
}

TEST(LavaDraw, SumsSaturateAndKeepAlpha) {
  TreemapLayout layout;
  layout.gap = 2;
  // two crossing runs and their heads on a bright background
  layout.flowRuns.push_back({10, 0, 20, 0, 0, 1});
  layout.flowRuns.push_back({0, 10, 20, 0, 1, 0});
  std::vector<uint32_t> pixels(20 * 20, 0xFFF0E0D0u);
  drawLavaFlow(layout, pixels.data(), pixels.size(), 20, 20, 10);
  EXPECT_EQ(pixels[10 * 20 + 10], 0xFFFFFFFFu);
  for (uint32_t p : pixels) {
    ASSERT_EQ(p >> 24, 0xFFu);
    ASSERT_GE(p & 0xFF, 0xD0u) << "a channel wrapped";
  }
}

// The lookup data the GPU reads: both kernels and the ramp, 5668 values at g = 16.
TEST(LavaDraw, LookupDataLayout) {
  for (int32_t g : {1, 3, 16}) {
    std::vector<uint32_t> values(lavaLookupCount(g) + 1, 0xDEADBEEF);
    ASSERT_TRUE(fillLavaLookup(g, values.data()));
    EXPECT_EQ(values[lavaLookupCount(g)], 0xDEADBEEF) << "written past the end";
    EXPECT_EQ(values[0], 256u);
    EXPECT_EQ(values[1], kernel(1, g + 2));
    EXPECT_EQ(values[lavaHeadKernelStart(g) - 1], kernel((g + 1) * (g + 1), g + 2));
    EXPECT_EQ(values[lavaHeadKernelStart(g)], 256u);
    EXPECT_EQ(values[lavaRampStart(g) - 1], kernel(16 * g * g, 4 * g + 1));
    EXPECT_EQ(values[lavaRampStart(g)], 0xFFF2C0u);
    EXPECT_EQ(values[lavaRampStart(g) + uint32_t(6 * g)], 0xFFA030u);
    EXPECT_EQ(values[lavaLookupCount(g) - 1], 0x6E1206u);
  }
  EXPECT_EQ(lavaLookupCount(16), 5668u);
  EXPECT_EQ(lavaLookupCount(3), 17u + 145u + 241u);
  uint32_t untouched = 7;
  EXPECT_FALSE(fillLavaLookup(0, &untouched));
  EXPECT_FALSE(fillLavaLookup(17, &untouched));
  EXPECT_EQ(untouched, 7u);
}

// The demo tree under the lava scheme at a few moments of its flow: pouring (heads
// in the vertical gaps), spreading, nearly cooled, at rest.
TEST(LavaDraw, GoldenFramesOfTheDemoFlow) {
  gTestScheme = 4;
  FixtureTree f;
  buildDemoTree(f);
  const int32_t width = 160, height = 100;
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, 3, true, mapSchemeAt(gTestScheme));
  std::vector<uint32_t> raster(size_t(width) * height);
  rasterTreemap(layout, raster.data(), raster.size(), width, height, kMapSchemes[4].background, 0, mapSchemeAt(gTestScheme));
  int32_t total = lavaTotal(layout);
  EXPECT_EQ(total, layout.maxFlow + 240);
  struct Frame { const char* name; int32_t t; } frames[] = {
      {"lava_flow_t0", 0}, {"lava_flow_t30", 30}, {"lava_flow_t90", 90}, {"lava_flow_t200", 200},
      {"lava_flow_rest", total}};
  for (const Frame& frame : frames) {
    std::vector<uint32_t> pixels = raster;
    drawLavaFlow(layout, pixels.data(), pixels.size(), width, height, frame.t);
    expectGoldenPicture(frame.name, pixels, width, height);
  }
  releaseTreemapLayout(layout);
  gTestScheme = 0;
}
