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
