#include "config/window_placement.h"
#include "base/utf.h"
#include <gtest/gtest.h>

TEST(WindowPlacement, ParsesTheSettingText) {
  const struct {
    std::u16string_view text;
    int32_t count, left, top, right, bottom;
    bool maximised, usable;
  } cases[] = {
      {u"10,20,1290,840", 4, 10, 20, 1290, 840, false, true},
      {u"10,20,1290,840,max", 4, 10, 20, 1290, 840, true, true},
      {u"-1930,-8,-10,1040,max", 4, -1930, -8, -10, 1040, true, true},
      {u"10,20,1290,840max", 4, 10, 20, 1290, 840, true, true},
      {u"10,20,1290,840,MAX", 4, 10, 20, 1290, 840, false, true},
      {u"10,20,1290,840,max,", 4, 10, 20, 1290, 840, false, true},
      {u"10,20,1290,840,,max", 4, 10, 20, 1290, 840, false, true},
      {u"0,0,290,800", 4, 0, 0, 290, 800, false, false},    // too narrow
      {u"0,0,400,299", 4, 0, 0, 400, 299, false, false},    // too low
      {u"0,0,400,300", 4, 0, 0, 400, 300, false, true},
      {u"10,20,1290", 3, 10, 20, 1290, 0, false, false},
      {u"10,,20,30,40", 1, 10, 0, 0, 0, false, false},
      {u"-,1,2,3", 0, 0, 0, 0, 0, false, false},
      {u"", 0, 0, 0, 0, 0, false, false},
      {u"max", 0, 0, 0, 0, 0, false, false},
      {u"1 ,2,3,4", 1, 1, 0, 0, 0, false, false},
      {u"99999999999,-99999999999,1,1", 4, INT32_MAX, INT32_MIN, 1, 1, false, false},
      {u"-2147483648,0,2147483647,300", 4, INT32_MIN, 0, INT32_MAX, 300, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8FromUtf16(c.text));
    WindowPlacementText p = parseWindowPlacement(c.text);
    EXPECT_EQ(p.count, c.count);
    EXPECT_EQ(p.left, c.left);
    EXPECT_EQ(p.top, c.top);
    EXPECT_EQ(p.right, c.right);
    EXPECT_EQ(p.bottom, c.bottom);
    EXPECT_EQ(p.maximised, c.maximised);
    EXPECT_EQ(isUsablePlacement(p), c.usable);
  }
}

TEST(WindowPlacement, WrittenTextReadsBack) {
  EXPECT_EQ(formatWindowPlacement(-8, 0, 1272, 812, true), u"-8,0,1272,812,max");
  EXPECT_EQ(formatWindowPlacement(100, 50, 1380, 870, false), u"100,50,1380,870");
  WindowPlacementText p = parseWindowPlacement(formatWindowPlacement(-1920, -12, -640, 900, true));
  EXPECT_EQ(p.count, 4);
  EXPECT_EQ(p.left, -1920);
  EXPECT_EQ(p.top, -12);
  EXPECT_EQ(p.right, -640);
  EXPECT_EQ(p.bottom, 900);
  EXPECT_TRUE(p.maximised);
}
