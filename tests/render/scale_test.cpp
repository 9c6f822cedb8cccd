#include "render/scale.h"
#include <gtest/gtest.h>

TEST(Scale, DipsRoundLikeMulDiv) {
  struct Case { int32_t dips; uint32_t dpi; int32_t pixels; } cases[] = {
      {3, 144, 5},      // 4.5 rounds up
      {1, 144, 2},      // 1.5 rounds up
      {6, 120, 8},      // 7.5 rounds up
      {1, 120, 1},      // 1.25
      {14, 96, 14},     {20, 144, 30},   {28, 168, 49},   {5, 120, 6},   // 6.25
      {0, 144, 0},      {-3, 144, -5},   // halves away from zero on the negative side too
      {-1, 120, -1},    {960, 144, 1440}, {640, 144, 960}, {7, 72, 5}, // 5.25
      {2147483647, 192, 2147483647},      // clamped instead of wrapping
  };
  for (const Case& c : cases) EXPECT_EQ(scaleDip(c.dips, c.dpi), c.pixels) << c.dips << " DIPs at " << c.dpi;
}

TEST(Scale, PixelsBackToDipsRoundTheSameWay) {
  struct Case { int64_t pixels; uint32_t dpi; int32_t dips; } cases[] = {
      {1440, 144, 960}, {5, 144, 3}, {-5, 144, -3}, {7, 144, 5},   // 4.67
      {1, 120, 1}, {2, 192, 1}, {3, 192, 2},                        // 1.5 rounds up
      {-3, 192, -2}, {100, 0, 100},                                 // no DPI: unchanged
  };
  for (const Case& c : cases) EXPECT_EQ(dipsFromPixels(c.pixels, c.dpi), c.dips) << c.pixels << " px at " << c.dpi;
}

TEST(Scale, FloatFormIsExact) {
  EXPECT_FLOAT_EQ(scaleDipF(4.0f, 144), 6.0f);
  EXPECT_FLOAT_EQ(scaleDipF(1.5f, 144), 2.25f);
  EXPECT_FLOAT_EQ(scaleDipF(3.0f, 120), 3.75f);
}

TEST(Scale, ProgramDpiStartsAt96AndIgnoresZero) {
  EXPECT_EQ(programDpi(), 96u);
  EXPECT_EQ(scaleDip(3), 3);
  setProgramDpi(144);
  EXPECT_EQ(scaleDip(3), 5);
  setProgramDpi(0);
  EXPECT_EQ(programDpi(), 144u);
  setProgramDpi(96);
}
