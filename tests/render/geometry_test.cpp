#include "render/geometry.h"
#include "render/text_styles.h"
#include <gtest/gtest.h>
#include <vector>

TEST(Geometry, OutlinesStayInsideTheirRectangle) {
  struct Case { PixelRect r; float radius, width; RoundedShape shape; } cases[] = {
      {{10, 20, 110, 52}, 4, 1, {10.5f, 20.5f, 109.5f, 51.5f, 3.5f}},   // a card's 1-pixel border
      {{0, 0, 40, 40}, 6, 2, {1, 1, 39, 39, 5}},
      {{0, 0, 40, 40}, 0.5f, 3, {1.5f, 1.5f, 38.5f, 38.5f, 0}},         // the radius never goes below 0
  };
  for (const Case& c : cases) EXPECT_EQ(roundedOutline(c.r, c.radius, c.width), c.shape);
  EXPECT_EQ(roundedFill({1, 2, 3, 4}, -2), (RoundedShape{1, 2, 3, 4, 0}));
}

TEST(Geometry, StrokesAreWholePixels) {
  struct Case { int32_t dips; uint32_t dpi; int32_t px; } cases[] = {
      {1, 96, 1}, {1, 120, 1}, {1, 144, 2}, {2, 144, 3}, {2, 120, 3}, {0, 96, 1}, {1, 72, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(strokePixels(c.dips, c.dpi), c.px) << c.dips << " at " << c.dpi;
}

TEST(Geometry, FocusRingAt96And144Dpi) {
  FocusRing at96 = focusRing({0, 0, 100, 32}, 4, 96);
  EXPECT_EQ(at96.outerWidth, 2);
  EXPECT_EQ(at96.outer, (RoundedShape{1, 1, 99, 31, 3}));
  EXPECT_EQ(at96.innerWidth, 1);
  EXPECT_EQ(at96.inner, (RoundedShape{2.5f, 2.5f, 97.5f, 29.5f, 1.5f}));
  FocusRing at144 = focusRing({0, 0, 150, 48}, 4, 144);
  EXPECT_EQ(at144.outerWidth, 3);
  EXPECT_EQ(at144.outer, (RoundedShape{1.5f, 1.5f, 148.5f, 46.5f, 4.5f}));
  EXPECT_EQ(at144.innerWidth, 2);
  EXPECT_EQ(at144.inner, (RoundedShape{4, 4, 146, 44, 2}));   // 3 in, radius 6 − 3, less half of 2
}

TEST(Geometry, ToolbarButtonCentresIconAndLabelTogether) {
  ToolbarButtonParts p = toolbarButtonParts({100, 16, 220, 48}, 40, 96);
  // 16 + 8 + 40 = 64 wide, centred in 120: from 128.
  EXPECT_EQ(p.icon, (PixelRect{128, 24, 144, 40}));
  EXPECT_EQ(p.label, (PixelRect{152, 16, 192, 48}));
  // A label wider than the room left keeps 16 DIPs at both sides.
  p = toolbarButtonParts({0, 0, 100, 32}, 500, 96);
  EXPECT_EQ(p.icon, (PixelRect{16, 8, 32, 24}));
  EXPECT_EQ(p.label, (PixelRect{40, 0, 84, 32}));
  p = toolbarButtonParts({0, 0, 150, 48}, 30, 144);
  EXPECT_EQ(p.icon.width(), 24);
  EXPECT_EQ(p.label.left - p.icon.right, 12);
}

TEST(Geometry, ToolbarButtonWidthFitsEveryLabel) {
  std::vector<int32_t> labels = {30, 62, 45};   // e.g. "Stop", "Stopping…", "Rescan"
  EXPECT_EQ(toolbarButtonWidth(104, labels, 96), 118);   // 56 + 62
  EXPECT_EQ(toolbarButtonWidth(140, labels, 96), 140);   // the minimum wins
  EXPECT_EQ(toolbarButtonWidth(104, labels, 144), 156);  // 84 + 62 = 146 is below the scaled minimum
  EXPECT_EQ(toolbarButtonWidth(80, labels, 144), 146);
}

TEST(Geometry, SegmentedOptionsAndSlidingKnob) {
  PixelRect r{0, 0, 185, 32};
  EXPECT_EQ(segmentedOption(r, 2, 0), (PixelRect{0, 0, 92, 32}));
  EXPECT_EQ(segmentedOption(r, 2, 1), (PixelRect{92, 0, 185, 32}));   // the last takes the remainder
  EXPECT_EQ(segmentedOption(r, 2, 5), (PixelRect{92, 0, 185, 32}));
  EXPECT_EQ(segmentedKnob(r, 2, 0, 96), (PixelRect{2, 2, 90, 30}));
  EXPECT_EQ(segmentedKnob(r, 2, 1, 96), (PixelRect{94, 2, 183, 30}));
  EXPECT_EQ(segmentedKnob(r, 2, 0.5, 96), (PixelRect{48, 2, 137, 30}));   // 46 … 138.5 rounded, inset 2
  EXPECT_EQ(segmentedKnob(r, 2, -3, 96), segmentedKnob(r, 2, 0, 96));
  EXPECT_EQ(segmentedKnob(r, 2, 9, 96), segmentedKnob(r, 2, 1, 96));
  EXPECT_EQ(segmentedKnob(r, 2, 0, 144), (PixelRect{3, 3, 89, 29}));
}

TEST(Geometry, CheckBoxSquareAndTick) {
  EXPECT_EQ(checkBoxSquare({10, 0, 300, 32}, 96), (PixelRect{10, 6, 30, 26}));
  EXPECT_EQ(checkBoxSquare({10, 0, 300, 48}, 144), (PixelRect{10, 9, 40, 39}));
  CheckMark m = checkMark({0, 0, 20, 20});
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(m.x[i], static_cast<int32_t>(m.x[i])) << "whole pixels";
    EXPECT_EQ(m.y[i], static_cast<int32_t>(m.y[i]));
  }
  EXPECT_LT(m.x[0], m.x[1]);
  EXPECT_LT(m.x[1], m.x[2]);
  EXPECT_GT(m.y[1], m.y[0]);   // down, then up
  EXPECT_LT(m.y[2], m.y[0]);
}


TEST(TextStyles, TheEightStyles) {
  struct Case { TextStyle style; const char16_t* face; int32_t size, weight; } cases[] = {
      {TextStyle::Title, u"Segoe UI Variable Display", 20, 600},
      {TextStyle::LargeTitle, u"Segoe UI Variable Display", 28, 600},
      {TextStyle::Body, u"Segoe UI Variable Text", 14, 400},
      {TextStyle::BodyStrong, u"Segoe UI Variable Text", 14, 600},
      {TextStyle::Caption, u"Segoe UI Variable Text", 12, 400},
      {TextStyle::Icon, u"Segoe Fluent Icons", 20, 400},
      {TextStyle::SmallIcon, u"Segoe Fluent Icons", 16, 400},
      {TextStyle::BigIcon, u"Segoe Fluent Icons", 48, 400},
  };
  for (const Case& c : cases) {
    const TextStyleSpec& s = textStyleSpec(c.style);
    EXPECT_EQ(std::u16string_view(s.face), c.face);
    EXPECT_EQ(s.sizeDip, c.size);
    EXPECT_EQ(s.weight, c.weight);
  }
}

TEST(TextStyles, PathTrimmingKeepsTheLastSegment) {
  EXPECT_EQ(pathTrimmingDelimiterCount(u"C:\\Users\\Ann\\Videos"), 1u);
  EXPECT_EQ(pathTrimmingDelimiterCount(u"C:\\Users\\Ann\\Videos\\"), 2u);
  EXPECT_EQ(pathTrimmingDelimiterCount(u"C:\\"), 2u);
  EXPECT_EQ(pathTrimmingDelimiterCount(u""), 1u);
}
