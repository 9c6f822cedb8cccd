#include "ui/hit_test.h"

#include "ui_fixture.h"

namespace {

class HitTest : public UiTest {
 protected:
  SampleTree sample;
  ViewState state() {
    ViewState s = windowState(1280, 800);
    s.drives = {driveEntry(u'C'), driveEntry(u'D')};
    showTree(s, sample.tree(), sample.photos);
    return s;
  }
};

struct PointCase {
  int32_t x, y;
  ElementId id;
  int32_t sub;
};

TEST_F(HitTest, PointsToElementsInOrder) {
  ViewState s = state();
  s.facts.isAdministrator = true;
  WindowLayout layout = layoutWindow(s, measure);
  ASSERT_EQ(layout.sidebar.width, 273);   // the administrator's check box label widens it
  const int32_t footer = layout.sidebar.footer.top + 10;
  const PointCase cases[] = {
      {281, 300, ElementId::Splitter, -1},       // SW + 8, over everything else
      {100, 120, ElementId::Drive, 0},
      {100, 200, ElementId::Drive, 1},
      {100, 178, ElementId::None, -1},           // between two rows
      {100, 300, ElementId::StandardScan, -1},
      {100, 390, ElementId::ElevateAtStart, -1}, // the check box inside the Fast option wins
      {100, 360, ElementId::FastScan, -1},
      {950, 30, ElementId::Up, -1},
      {1100, 30, ElementId::ScanButton, -1},
      {1200, 30, ElementId::Export, -1},
      {925, 100, ElementId::ClearFilters, -1},
      {1000, 100, ElementId::LogicalSizes, -1},
      {1100, 100, ElementId::SizesOnDisk, -1},
      {1160, 100, ElementId::DecimalUnits, -1},
      {1250, 100, ElementId::BinaryUnits, -1},
      {50, footer, ElementId::About, -1},
      {200, footer, ElementId::Version, -1},
      {260, footer, ElementId::Settings, -1},
      {1240, 770, ElementId::PerformanceHeader, -1},
      {1150, 770, ElementId::PerformanceHeader, -1},   // the folded summary is the header's other part
      {600, 770, ElementId::None, -1},
      {300, 140, ElementId::ViewTab, 0},
      {340, 140, ElementId::ViewTab, 1},
      {450, 140, ElementId::ViewTab, 2},
      {336, 140, ElementId::None, -1},           // between two tabs
      {300, 30, ElementId::BreadcrumbSegment, 0},
      {850, 30, ElementId::Address, -1},
      {600, 400, ElementId::None, -1},           // the map: cells are searched apart
      {20, 20, ElementId::None, -1},
  };
  for (const PointCase& c : cases)
    EXPECT_EQ(elementAt(s, layout, c.x, c.y), (ElementRef{c.id, c.sub})) << c.x << "," << c.y;
}

TEST_F(HitTest, BreadcrumbSegmentsButNotTheShownFolder) {
  ViewState s = state();
  WindowLayout layout = layoutWindow(s, measure);
  const Breadcrumb& crumb = layout.breadcrumb;
  ASSERT_EQ(crumb.segments.size(), 4u);   // C:, Users, me, photos
  for (size_t i = 0; i < crumb.segments.size(); i++) {
    const PixelRect& r = crumb.segments[i].rect;
    ElementRef hit = elementAt(s, layout, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (i + 1 < crumb.segments.size()) EXPECT_EQ(hit, (ElementRef{ElementId::BreadcrumbSegment, static_cast<int32_t>(i)}));
    else EXPECT_EQ(hit, (ElementRef{ElementId::Address, -1})) << "the last segment is the address bar";
  }
  s.addressShown = true;
  const PixelRect& first = crumb.segments[0].rect;
  EXPECT_EQ(elementAt(s, layout, first.left + 2, first.top + 2).id, ElementId::None) << "the edit covers the bar";
}

TEST_F(HitTest, ReviewKeepsOnlyItsOwnElements) {
  ViewState s = state();
  setMarks(s, {sample.photos}, 3, 7000);
  s.review.open = true;
  s.review.root = sample.photos;
  WindowLayout layout = layoutWindow(s, measure);
  const ContentLayout& c = layout.content;
  EXPECT_EQ(elementAt(s, layout, c.reviewMain.left + 2, c.reviewMain.top + 2).id, ElementId::ReviewMain);
  EXPECT_EQ(elementAt(s, layout, c.reviewSecond.left + 2, c.reviewSecond.top + 2).id, ElementId::ReviewSecond);
  EXPECT_EQ(elementAt(s, layout, c.reviewBack.left + 2, c.reviewBack.top + 2).id, ElementId::ReviewBack);
  EXPECT_EQ(elementAt(s, layout, 100, 120).id, ElementId::None) << "drives";
  EXPECT_EQ(elementAt(s, layout, 100, 300).id, ElementId::None) << "scan mode";
  EXPECT_EQ(elementAt(s, layout, 300, 140).id, ElementId::None) << "tabs";
  EXPECT_EQ(elementAt(s, layout, 925, 100).id, ElementId::None) << "clear filters";
  EXPECT_EQ(elementAt(s, layout, 850, 30).id, ElementId::None) << "the address bar";
  EXPECT_EQ(elementAt(s, layout, 950, 30).id, ElementId::Up);
  EXPECT_EQ(elementAt(s, layout, 1000, 100).id, ElementId::LogicalSizes);
  EXPECT_EQ(elementAt(s, layout, 273, 300).id, ElementId::Splitter);
}

TEST_F(HitTest, ScrolledOutDrivesAndHiddenButtonsCannotBeHit) {
  ViewState s = windowState(1280, 600);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  s.driveScroll = 100;
  WindowLayout layout = layoutWindow(s, measure);
  // Row 0 lies at 8..76, above the list's top (108): only its part inside the list counts.
  EXPECT_EQ(elementAt(s, layout, 100, 60).id, ElementId::None);
  EXPECT_EQ(elementAt(s, layout, 100, 110), (ElementRef{ElementId::Drive, 1}));
  EXPECT_TRUE(layout.continueButton.empty());
  EXPECT_TRUE(layout.noticeAction.empty());
  EXPECT_EQ(elementAt(s, layout, 900, 30).id, ElementId::Address);
}

TEST_F(HitTest, MapCellsWithAndWithoutGaps) {
  ViewState s = state();
  WindowLayout layout = layoutWindow(s, measure);
  const PixelRect& map = layout.content.map;
  TreemapLayout cells;
  const TreemapRect a{0, 0, 0, 0, 0, 0, 50, 100, sample.a, 0}, b{0, 0, 0, 0, 53, 0, 100, 100, sample.b, 0};
  pushTreemapRect(cells, a);
  pushTreemapRect(cells, b);
  s.treemap = &cells;
  s.treemapWidth = map.width();
  s.treemapHeight = map.height();
  const struct {
    int32_t x, y, gap, cell;
  } cases[] = {
      {10, 10, 0, 0}, {60, 10, 0, 1}, {51, 10, 0, -1},   // without a gap a gap point is nothing
      {51, 10, 3, 0},                                    // 2 from each: the earlier wins
      {52, 10, 3, 1},                                    // 3 from a, 1 from b
      {102, 10, 3, 1}, {103, 10, 3, -1},                 // 3 and 4 pixels right of b
      {60, 102, 3, 1}, {60, 104, 3, -1},
  };
  for (const auto& c : cases) {
    cells.gap = c.gap;
    EXPECT_EQ(mapCellAt(s, layout, map.left + c.x, map.top + c.y), c.cell) << c.x << "," << c.y << " gap " << c.gap;
  }
  cells.gap = 0;
  EXPECT_EQ(mapCellAt(s, layout, map.left - 1, map.top + 10), -1) << "outside the map area";
  s.treemapWidth--;
  EXPECT_EQ(mapCellAt(s, layout, map.left + 10, map.top + 10), -1) << "laid out for another size";
  s.treemapWidth++;
  s.scan.scanning = true;
  EXPECT_EQ(mapCellAt(s, layout, map.left + 10, map.top + 10), -1) << "while scanning";
  releaseTreemapLayout(cells);
}

TEST_F(HitTest, ElementCodesRoundTrip) {
  EXPECT_EQ(elementCode({ElementId::Drive, 0}), 4097);
  EXPECT_EQ(elementCode({ElementId::Up, -1}), 4 * 4096);
  EXPECT_EQ(elementCode({ElementId::ViewTab, 2}), 23 * 4096 + 3);
  EXPECT_EQ(elementFromCode(23 * 4096 + 3), (ElementRef{ElementId::ViewTab, 2}));
  EXPECT_EQ(elementFromCode(4 * 4096), (ElementRef{ElementId::Up, -1}));
  EXPECT_EQ(elementFromCode(36 * 4096).id, ElementId::None) << "ids outside 0..35";
  EXPECT_EQ(elementFromCode(-1).id, ElementId::None);
  EXPECT_EQ(elementFromCode(35 * 4096 + 4095), (ElementRef{ElementId::Splitter, 4094}));
}

}  // namespace
