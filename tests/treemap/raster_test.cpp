#include "treemap/treemap.h"
#include "golden.h"
#include "tree_fixture.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <string>
#include <vector>

// The scheme the maps of this file are drawn with.
static int32_t gTestScheme = 0;

namespace {
struct SchemeGuard {
  explicit SchemeGuard(int32_t index) { gTestScheme = index; }
  ~SchemeGuard() { gTestScheme = 0; }
};

constexpr uint32_t kGrey = 0xFFE0E0E0;

TreemapRect flatRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
  return {0, 0, 0, 0, x0, y0, x1, y1, 0, color};
}

// The shading written out plainly, pixel by pixel, as a reference for the raster.
bool referenceMark(int n, int p, int x, int y) {
  int w = std::max(1, p / 4);
  bool r1 = (x + y) % p < w, r2 = (x - y + 4096 * p) % p < w;
  switch (n) {
    case 0: return false;
    case 1: return r1;
    case 2: return r2;
    case 3: return r1 || r2;
    case 4: return y % p < w;
    case 5: return x % p < w;
    case 6: return x % p < w || y % p < w;
    case 7: return x % p < 2 * w && y % p < 2 * w;
    case 8: return (x / p + y / p) % 2 == 1;
    case 9: return y % p < w && (x + ((y / p) % 2 == 1 ? p / 2 : 0)) % p < p / 2;
    default: {
      int m = x % (2 * p);
      int t = m < p ? m : 2 * p - m;
      return (y + t) % p < w;
    }
  }
}

uint32_t referencePixel(int x, int y, const double c[4], uint32_t color, double brightness,
                        int pattern, int p, double ambient, double intensity) {
  double nx = 2 * c[0] * (x + 0.5) + c[2];
  double ny = 2 * c[1] * (y + 0.5) + c[3];
  double cosine = (0.099014754297667 * nx + 0.099014754297667 * ny + 0.990147542976674) /
                  std::sqrt(nx * nx + ny * ny + 1);
  double v = std::max(0.0, std::min(1.0, cosine) * (1 - ambient)) + ambient;
  double b = pattern > 0 && referenceMark(pattern, p, x, y) ? 0.82 * brightness : brightness;
  v = v * intensity * b;
  uint32_t out = 0xFF000000;
  for (int shift = 16; shift >= 0; shift -= 8)
    out |= uint32_t(std::min(255.0, std::trunc(v * ((color >> shift) & 0xFF)))) << shift;
  return out;
}

std::vector<uint32_t> raster(const TreemapLayout& layout, int32_t width, int32_t height,
                             uint32_t background, int32_t patternSize) {
  std::vector<uint32_t> pixels(size_t(width) * height, 0x12345678);
  rasterTreemap(layout, pixels.data(), pixels.size(), width, height, background, patternSize, mapSchemeAt(gTestScheme));
  return pixels;
}
}  // namespace

TEST(TreemapRaster, EmptyLayoutShowsTheBackground) {
  TreemapLayout layout;
  std::vector<uint32_t> pixels = raster(layout, 37, 21, kGrey, 8);
  for (uint32_t p : pixels) ASSERT_EQ(p, kGrey);
  // a buffer that is too small is left alone rather than overrun
  std::vector<uint32_t> small(10, 7);
  rasterTreemap(layout, small.data(), small.size(), 4, 3, kGrey, 0, mapSchemeAt(gTestScheme));
  for (uint32_t p : small) EXPECT_EQ(p, 7u);
}

// A flat cushion receives 0.99 of the light: ambient + 0.99·(1 − ambient), times the
// intensity. Under the standard scheme that is about 1.042, so channels above 244 clip.
TEST(TreemapRaster, FlatRectangleBrightnessPerScheme) {
  struct Case { int32_t scheme; uint32_t color, expected; } cases[] = {
      {0, 0xF5F410, 0xFFFFFE10},   // 245 -> 255, 244 -> 254, 16 -> 16
      {0, 0x4C8DF6, 0xFF4F92FF},   // 76 -> 79, 141 -> 146, 246 -> 255
      {1, 0xF5F410, 0xFFF3F20F},
      {3, 0xF5F410, 0xFFF3F20F},
      {4, 0xF5F410, 0xFFFFFF12},
      {0, 0x000000, 0xFF000000},
  };
  for (const Case& c : cases) {
    SchemeGuard guard(c.scheme);
    TreemapLayout layout;
    pushTreemapRect(layout, flatRect(2, 3, 9, 7, c.color));
    std::vector<uint32_t> pixels = raster(layout, 10, 10, kGrey, 0);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        bool inside = x >= 2 && x < 9 && y >= 3 && y < 7;
        ASSERT_EQ(pixels[y * 10 + x], inside ? c.expected : kGrey) << x << "," << y;
      }
    releaseTreemapLayout(layout);
  }
}

// With p = 8 a rectangle needs 24 pixels both ways for its pattern; the first type
// colour, folders and files without a type stay plain at any size.
TEST(TreemapRaster, PatternNeedsThreeTimesItsSize) {
  const MapScheme& standard = kMapSchemes[0];
  struct Case { int32_t width, height; uint32_t color; bool patterned; } cases[] = {
      {23, 23, standard.typeColors[5], false},
      {24, 23, standard.typeColors[5], false},
      {23, 24, standard.typeColors[5], false},
      {24, 24, standard.typeColors[5], true},
      {60, 60, standard.typeColors[0], false},
      {60, 60, standard.folderColor, false},
      {60, 60, standard.noTypeColor, false},
      {60, 60, standard.typeColors[10], true},
  };
  for (const Case& c : cases) {
    TreemapLayout layout;
    pushTreemapRect(layout, flatRect(0, 0, c.width, c.height, c.color));
    std::vector<uint32_t> plain = raster(layout, 64, 64, kGrey, 0);
    std::vector<uint32_t> hatched = raster(layout, 64, 64, kGrey, 8);
    int marked = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        int n = patternNumberOf(standard, c.color);
        bool expectMark = c.patterned && referenceMark(n, 8, x, y);
        double zero[4] = {0, 0, 0, 0};
        ASSERT_EQ(hatched[y * 64 + x],
                  referencePixel(x, y, zero, c.color, 1.0, expectMark ? n : 0, 8, 0.18, 1.05));
        marked += hatched[y * 64 + x] != plain[y * 64 + x];
      }
    EXPECT_EQ(marked > 0, c.patterned) << c.width << "x" << c.height;
    releaseTreemapLayout(layout);
  }
}

TEST(TreemapRaster, PatternRulesAtSizeEight) {
  // marked pixels of an 8 x 8 tile, row by row (line width 2)
  const char* tiles[11] = {
      "........" "........" "........" "........" "........" "........" "........" "........",
      "##......" "#......#" "......##" ".....##." "....##.." "...##..." "..##...." ".##.....",
      "##......" ".##....." "..##...." "...##..." "....##.." ".....##." "......##" "#......#",
      "##......" "###....#" "..##..##" "...####." "....##.." "...####." "..##..##" "###....#",
      "########" "########" "........" "........" "........" "........" "........" "........",
      "##......" "##......" "##......" "##......" "##......" "##......" "##......" "##......",
      "########" "########" "##......" "##......" "##......" "##......" "##......" "##......",
      "####...." "####...." "####...." "####...." "........" "........" "........" "........",
      "........" "........" "........" "........" "........" "........" "........" "........",
      "####...." "####...." "........" "........" "........" "........" "........" "........",
      "##......" "#......#" "......##" ".....##." "....##.." "...##..." "..##...." ".##.....",
  };
  for (int n = 0; n < 11; ++n)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(patternMarks(n, 8, x, y), tiles[n][y * 8 + x] == '#') << "pattern " << n << " at " << x << "," << y;
  // the checkerboard's marked squares and the dashes' shift show only beyond one tile
  EXPECT_TRUE(patternMarks(8, 8, 8, 0));
  EXPECT_FALSE(patternMarks(8, 8, 8, 8));
  EXPECT_TRUE(patternMarks(9, 8, 4, 8));     // odd tile row: dashes move by p div 2
  EXPECT_FALSE(patternMarks(9, 8, 0, 8));
  EXPECT_TRUE(patternMarks(10, 8, 8, 0));    // zigzag turns at x = p
  EXPECT_TRUE(patternMarks(5, 1, 3, 5));     // p = 1: the line width is still 1
  EXPECT_FALSE(patternMarks(5, 0, 0, 0));
}

TEST(TreemapRaster, ShadeCushionMatchesThePlainFormula) {
  std::mt19937 random(4242);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int round = 0; round < 300; ++round) {
    int32_t stride = 1 + int32_t(random() % 90), rows = 1 + int32_t(random() % 70);
    std::vector<uint32_t> pixels(size_t(stride) * rows, 0xDEADBEEF);
    int32_t x0 = int32_t(random() % 100) - 5, y0 = int32_t(random() % 80) - 5;
    int32_t x1 = x0 + int32_t(random() % 60) - 3, y1 = y0 + int32_t(random() % 60) - 3;
    double w = std::max(1, x1 - x0), h = std::max(1, y1 - y0);
    // cushions as the layout makes them: a few ridges across and around the rectangle
    double c[4] = {0, 0, 0, 0};
    for (int level = 0, levels = int(random() % 4); level <= levels; ++level) {
      double ridge = 0.4 * std::pow(0.86, level) * (0.5 + unit(random));
      double a = 4 * ridge / (w * (1 + level)), b = 4 * ridge / (h * (1 + level));
      double mx = x0 + x1 + (unit(random) - 0.5) * w, my = y0 + y1 + (unit(random) - 0.5) * h;
      c[0] -= a; c[2] += mx * a;
      c[1] -= b; c[3] += my * b;
    }
    uint32_t color = random() & 0xFFFFFF;
    double brightness = 0.5 + unit(random), ambient = unit(random) * 0.6, intensity = 0.8 + unit(random) * 0.5;
    int pattern = int(random() % 11), p = 1 + int(random() % 16);
    shadeCushion(pixels.data(), pixels.size(), stride, x0, y0, x1, y1, c[0], c[1], c[2], c[3],
                 color, brightness, pattern, p, ambient, intensity);
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < stride; ++x) {
        bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
        uint32_t expected = inside ? referencePixel(x, y, c, color, brightness, pattern, p, ambient, intensity)
                                   : 0xDEADBEEF;
        ASSERT_EQ(pixels[size_t(y) * stride + x], expected) << "round " << round << " at " << x << "," << y;
      }
  }
}

// Lava at a gap of 3: the halo reaches r = 6 pixels around rectangles of at least 9 x 9
// with weight (1 − √d / 7)² · 0.42 · 256 at squared distance d.
TEST(TreemapRaster, HaloReachAndWeights) {
  SchemeGuard lava(4);
  const uint32_t background = 0xFF120A08, color = 0x3563AC;
  TreemapLayout layout;
  pushTreemapRect(layout, flatRect(20, 20, 29, 29, color));   // 9 x 9: haloed
  pushTreemapRect(layout, flatRect(50, 20, 58, 40, color));   // 8 wide: no halo
  layout.gap = 3;
  std::vector<uint32_t> pixels = raster(layout, 70, 50, background, 0);
  auto expectedAt = [&](int dx, int dy) {
    int d = dx * dx + dy * dy;
    if (d > 36) return background;
    double fade = 1 - std::sqrt(double(d)) / 7;
    uint32_t weight = uint32_t(fade * fade * 0.42 * 256);
    uint32_t out = 0xFF000000;
    for (int shift = 16; shift >= 0; shift -= 8) {
      uint32_t sum = ((background >> shift) & 0xFF) + ((((color >> shift) & 0xFF) * weight) >> 8);
      out |= std::min(sum, 255u) << shift;
    }
    return out;
  };
  int haloed = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 46; ++x) {
      if (x >= 20 && x < 29 && y >= 20 && y < 29) continue;
      int dx = x < 20 ? 20 - x : x >= 29 ? x - 28 : 0;
      int dy = y < 20 ? 20 - y : y >= 29 ? y - 28 : 0;
      ASSERT_EQ(pixels[y * 70 + x], expectedAt(dx, dy)) << x << "," << y;
      haloed += pixels[y * 70 + x] != background;
    }
  EXPECT_EQ(pixels[24 * 70 + 14], expectedAt(6, 0));   // 6 pixels left: still reached
  EXPECT_NE(pixels[24 * 70 + 14], background);
  EXPECT_EQ(pixels[24 * 70 + 13], background);         // 7 pixels: beyond the reach
  // the pixel beside the rectangle is at squared distance 1: weight (6/7)² · 107.52 = 78
  EXPECT_EQ(pixels[24 * 70 + 19] & 0xFF, 0x08u + ((0xACu * 78) >> 8));
  EXPECT_GT(haloed, 0);
  for (int y = 0; y < 50; ++y)
    for (int x = 46; x < 70; ++x)
      if (x < 50 || x >= 58 || y < 20 || y >= 40) {
        ASSERT_EQ(pixels[y * 70 + x], background) << x << "," << y;
      }
  releaseTreemapLayout(layout);
}

TEST(TreemapRaster, NoHaloWithoutGlowOrBeyondSixteenPixels) {
  struct Case { int32_t scheme, gap; bool halo; } cases[] = {
      {4, 3, true}, {4, 16, true}, {4, 17, false}, {4, 0, false}, {1, 2, false}, {0, 3, false},
  };
  for (const Case& c : cases) {
    SchemeGuard guard(c.scheme);
    TreemapLayout layout;
    pushTreemapRect(layout, flatRect(40, 40, 100, 100, 0x808080));
    layout.gap = c.gap;
    std::vector<uint32_t> pixels = raster(layout, 140, 140, kGrey, 0);
    EXPECT_EQ(pixels[70 * 140 + 39] != kGrey, c.halo) << "scheme " << c.scheme << " gap " << c.gap;
    releaseTreemapLayout(layout);
  }
}

TEST(TreemapRaster, HaloSaturatesAndNeverWraps) {
  SchemeGuard lava(4);
  TreemapLayout layout;
  // two bright neighbours 3 pixels apart: the halo of each lands on the other and in the gap
  pushTreemapRect(layout, flatRect(3, 3, 30, 30, 0xFFFFFF));
  pushTreemapRect(layout, flatRect(33, 3, 60, 30, 0xFFFFFF));
  layout.gap = 3;
  std::vector<uint32_t> pixels = raster(layout, 63, 33, 0xFFF0F0F0, 0);
  // in the gap both halos add 106 each to 240: clipped at 255, not wrapped to a dark value
  EXPECT_EQ(pixels[15 * 63 + 31], 0xFFFFFFFFu);
  EXPECT_EQ(pixels[15 * 63 + 30], 0xFFFFFFFFu);
  for (uint32_t p : pixels) {
    for (int shift = 0; shift <= 16; shift += 8) ASSERT_GE((p >> shift) & 0xFF, 0xF0u);
    ASSERT_EQ(p >> 24, 0xFFu);
  }
  releaseTreemapLayout(layout);
}

// Small pictures of the demo tree under every scheme (with its gap, patterns at 8 px).
TEST(TreemapRaster, GoldenImagesPerScheme) {
  FixtureTree f;
  buildDemoTree(f);
  const int32_t width = 160, height = 100;
  for (int32_t s = 0; s < kMapSchemeCount; ++s) {
    SchemeGuard guard(s);
    const MapScheme& scheme = kMapSchemes[s];
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, int32_t(scheme.gap), scheme.glow, mapSchemeAt(gTestScheme));
    uint32_t background = scheme.background ? scheme.background : 0xFFF3F3F3;
    std::vector<uint32_t> pixels = raster(layout, width, height, background, 8);
    expectGoldenPicture(scheme.name, pixels, width, height);
    releaseTreemapLayout(layout);
  }
}
