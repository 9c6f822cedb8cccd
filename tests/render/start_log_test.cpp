#include "render/start_log.h"
#include <gtest/gtest.h>

TEST(StartLog, ThreeTriesGpuGpuWarp) {
  struct Case { int32_t n; bool delay, rebuild, warp; std::u16string_view label; } cases[] = {
      {1, false, false, false, u"GPU"}, {2, true, true, false, u"GPU"}, {3, true, true, true, u"WARP"},
  };
  for (const Case& c : cases) {
    StartTry t = startTry(c.n);
    EXPECT_EQ(t.delayFirst, c.delay) << c.n;
    EXPECT_EQ(t.rebuild, c.rebuild) << c.n;
    EXPECT_EQ(t.warpOnly, c.warp) << c.n;
    EXPECT_EQ(t.label, c.label) << c.n;
  }
}

TEST(StartLog, LinesInTheirExactForm) {
  struct Case { LocalTime time; int32_t n; std::u16string_view step; uint32_t code; std::u16string_view line; } cases[] = {
      {{2024, 3, 7, 9, 5, 2}, 1, u"CreateSwapChainForHwnd", 0x887A0001,
       u"2024-03-07 09:05:02 Direct2D start, try 1 (GPU): CreateSwapChainForHwnd failed, 0x887A0001\r\n"},
      {{2031, 12, 31, 23, 59, 59}, 3, u"D3D11CreateDevice", 0x80004005,
       u"2031-12-31 23:59:59 Direct2D start, try 3 (WARP): D3D11CreateDevice failed, 0x80004005\r\n"},
      {{999, 1, 1, 0, 0, 0}, 2, u"ID2D1Factory1::CreateDevice", 0x8899000C,
       u"0999-01-01 00:00:00 Direct2D start, try 2 (GPU): ID2D1Factory1::CreateDevice failed, 0x8899000C\r\n"},
      {{2024, 1, 2, 3, 4, 5}, 2, u"GetBuffer", 0x5,
       u"2024-01-02 03:04:05 Direct2D start, try 2 (GPU): GetBuffer failed, 0x00000005\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(startLogLine(c.time, c.n, c.step, c.code), c.line);
}

TEST(StartLog, MessageBoxText) {
  EXPECT_EQ(startFailureText(u"Mossbloom could not start Direct2D, which it needs to draw its window.",
                             u"D3D11CreateDevice", 0x887A0004),
            u"Mossbloom could not start Direct2D, which it needs to draw its window.\n\nD3D11CreateDevice: 0x887A0004");
}
