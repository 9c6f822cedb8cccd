#include "ui/hover_damage.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// Whether (x, y) lies in one of the strips.
bool covered(const HoverStrips& s, int32_t x, int32_t y) {
  for (int32_t i = 0; i < s.count; i++)
    if (s.rects[i].contains(x, y)) return true;
  return false;
}

int64_t area(const HoverStrips& s) {
  int64_t a = 0;
  for (int32_t i = 0; i < s.count; i++) a += int64_t(s.rects[i].width()) * s.rects[i].height();
  return a;
}

struct Case {
  const char* what;
  HoverOutlines h;
  bool glow;
  // Pixels the outlines paint (must be covered) and pixels well inside that they leave alone.
  std::vector<std::pair<int32_t, int32_t>> painted, untouched;
};

TEST(HoverDamage, StripsCoverEveryOutlinePixelAndLeaveTheInsideAlone) {
  const Case cases[] = {
      {"a cell in a box, with the inner line",
       {{40, 40, 60, 50}, true, {20, 20, 120, 100}, true},
       false,
       {{40, 40}, {59, 49}, {59, 40}, {40, 49}, {20, 20}, {21, 21}, {22, 22}, {23, 23}, {119, 99}, {116, 96}, {70, 20}, {20, 60}},
       {{50, 45}, {70, 60}, {30, 30}, {17, 60}, {60, 18}}},
      {"the lava's glow line outside the box",
       {{40, 40, 60, 50}, true, {20, 20, 120, 100}, true},
       true,
       {{18, 18}, {19, 60}, {121, 101}, {60, 100}},
       {{70, 60}, {15, 60}}},
      {"a box under 10 pixels: no inner line",
       {{10, 10, 14, 14}, true, {10, 10, 18, 18}, false},
       false,
       {{10, 10}, {11, 11}, {17, 17}, {16, 16}},
       {{30, 30}}},
      {"the cell is the box: no cell line",
       {{30, 30, 80, 70}, false, {30, 30, 80, 70}, true},
       false,
       {{30, 30}, {33, 33}, {79, 69}, {76, 66}},
       {{55, 50}}},
      {"a cell without a box",
       {{30, 30, 80, 70}, true, {}, false},
       false,
       {{30, 30}, {79, 69}, {30, 69}},
       {{55, 50}}},
  };
  for (const Case& c : cases) {
    HoverStrips s = hoverStrips(c.h, c.glow);
    EXPECT_LE(s.count, kHoverStripsMax) << c.what;
    for (auto [x, y] : c.painted) EXPECT_TRUE(covered(s, x, y)) << c.what << ": (" << x << ", " << y << ")";
    for (auto [x, y] : c.untouched) EXPECT_FALSE(covered(s, x, y)) << c.what << ": (" << x << ", " << y << ")";
  }
}

TEST(HoverDamage, ABigBoxCostsItsEdgesNotItsArea) {
  HoverOutlines h{{100, 100, 140, 130}, true, {0, 0, 900, 600}, true};
  HoverStrips s = hoverStrips(h, false);
  EXPECT_LT(area(s), 900 * 600 / 20) << "the strips are thin";
  EXPECT_EQ(hoverStrips(HoverOutlines{}, true).count, 0) << "nothing hovered, nothing to repaint";
}

TEST(HoverDamage, ATinyCellIsOneRectangle) {
  HoverOutlines h{{5, 5, 7, 7}, true, {}, false};
  HoverStrips s = hoverStrips(h, false);
  ASSERT_EQ(s.count, 1);
  EXPECT_EQ(s.rects[0], (PixelRect{4, 4, 8, 8}));
  HoverStrips moved = placeStrips(s, 300, 160, {300, 160, 1200, 760});
  ASSERT_EQ(moved.count, 1);
  EXPECT_EQ(moved.rects[0], (PixelRect{304, 164, 308, 168}));
}

TEST(HoverDamage, StripsStayInsideTheMapArea) {
  // A box along the map's left and top edges: its grown ring is cut at them.
  HoverOutlines h{{0, 0, 30, 20}, true, {0, 0, 200, 100}, true};
  HoverStrips s = placeStrips(hoverStrips(h, true), 300, 160, {300, 160, 1200, 760});
  ASSERT_GT(s.count, 0);
  for (int32_t i = 0; i < s.count; i++) {
    EXPECT_GE(s.rects[i].left, 300);
    EXPECT_GE(s.rects[i].top, 160);
    EXPECT_FALSE(s.rects[i].empty());
  }
  EXPECT_EQ(placeStrips(s, 0, 0, {0, 0, 10, 10}).count, 0) << "a map elsewhere keeps none";
}

}  // namespace
