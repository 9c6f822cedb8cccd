#include "render/pixel_rect.h"
#include <gtest/gtest.h>

TEST(PixelRect, InsetNeverInverts) {
  EXPECT_EQ(insetRect({0, 0, 10, 10}, 2), (PixelRect{2, 2, 8, 8}));
  EXPECT_EQ(insetRect({0, 0, 10, 10}, -1), (PixelRect{-1, -1, 11, 11}));
  PixelRect collapsed = insetRect({0, 0, 4, 10}, 3);
  EXPECT_TRUE(collapsed.empty());
  EXPECT_EQ(collapsed.width(), 0);
  EXPECT_EQ(collapsed.left, 2);
  EXPECT_EQ(collapsed.height(), 4);
}

TEST(PixelRect, ContainsIsHalfOpenAndEmptyHoldsNothing) {
  PixelRect r{10, 20, 30, 40};
  struct Case { int32_t x, y; bool in; } cases[] = {
      {10, 20, true}, {29, 39, true}, {30, 20, false}, {10, 40, false}, {9, 25, false},
  };
  for (const Case& c : cases) EXPECT_EQ(r.contains(c.x, c.y), c.in) << c.x << "," << c.y;
  EXPECT_FALSE((PixelRect{5, 5, 5, 9}).contains(5, 6));
}

TEST(PixelRect, IntersectionOrEmpty) {
  EXPECT_EQ(intersect({0, 0, 10, 10}, {5, -5, 20, 8}), (PixelRect{5, 0, 10, 8}));
  EXPECT_EQ(intersect({0, 0, 10, 10}, {10, 0, 20, 10}), PixelRect{});   // touching edges share nothing
  EXPECT_EQ(intersect({0, 0, 10, 10}, {2, 2, 3, 3}), (PixelRect{2, 2, 3, 3}));
}
