#include "ui/focus_order.h"

#include "ui/keyboard.h"
#include "ui_fixture.h"

namespace {

// The window before anything was chosen: two drives, logical sizes, no tree.
class FocusOrder : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    s.shown = {};
    s.scan = {};
    relayout();
  }
  std::vector<ElementRef> stops() {
    std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);
    std::vector<ElementRef> out;
    for (int32_t i : focusStops(list)) out.push_back(elementFromCode(list[i].code));
    return out;
  }
  void tab(bool backward = false) {
    Outcome out;
    moveFocus(s, layout, backward, out);
  }
};

TEST_F(FocusOrder, StopsTakeOneMemberPerGroup) {
  const std::vector<ElementRef> expected = {
      {ElementId::Drive, 0},         {ElementId::StandardScan, -1}, {ElementId::About, -1},
      {ElementId::Settings, -1},     {ElementId::Version, -1},      {ElementId::Splitter, -1},
      {ElementId::Address, -1},      {ElementId::SearchEdit, -1},   {ElementId::TypesEdit, -1},
      {ElementId::SizeEdit, -1},     {ElementId::LogicalSizes, -1}, {ElementId::BinaryUnits, -1},
      {ElementId::Map, -1},          {ElementId::PerformanceHeader, -1},
  };
  EXPECT_EQ(stops(), expected);
  s.scan.driveIndex = 1;   // the current drive stands for the drives
  s.settings.sizeMode = SizeMode::OnDisk;
  std::vector<ElementRef> got = stops();
  EXPECT_EQ(got[0], (ElementRef{ElementId::Drive, 1}));
  EXPECT_EQ(got[10], (ElementRef{ElementId::SizesOnDisk, -1}));
}

TEST_F(FocusOrder, TabWrapsAndShiftTabGoesBack) {
  tab();
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Drive, 0})) << "without a focus: the first stop";
  tab();
  EXPECT_EQ(s.focus.id, ElementId::StandardScan);
  tab();
  EXPECT_EQ(s.focus.id, ElementId::About);
  s.focus = {ElementId::FastScan, -1};   // a member of the scan-mode group that is not its stop
  tab();
  EXPECT_EQ(s.focus.id, ElementId::About) << "the group's stop counts as current";
  s.focus = {ElementId::PerformanceHeader, -1};
  s.scan.driveIndex = 1;
  tab();
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Drive, 1})) << "from the last stop to the current drive";
  tab(true);
  EXPECT_EQ(s.focus.id, ElementId::PerformanceHeader);
  s.focus = {};
  tab(true);
  EXPECT_EQ(s.focus.id, ElementId::PerformanceHeader) << "without a focus Shift+Tab takes the last";
  s.focus = {ElementId::Settings, -1};
  tab(true);
  EXPECT_EQ(s.focus.id, ElementId::About);
  // A clicked tab holds the focus but is no stop: Tab goes on from there.
  s.focus = {ElementId::ViewTab, 1};
  tab();
  EXPECT_EQ(s.focus.id, ElementId::Map);
  s.focus = {ElementId::ViewTab, 1};
  tab(true);
  EXPECT_EQ(s.focus.id, ElementId::BinaryUnits);
}

TEST_F(FocusOrder, EditsAndTheListTakeTheirOwnFocus) {
  s.focus = {ElementId::Address, -1};
  Outcome out;
  moveFocus(s, layout, false, out);
  EXPECT_EQ(s.focus.id, ElementId::SearchEdit);
  ASSERT_TRUE(out.has(EffectKind::FocusChild));
  EXPECT_EQ(out.find(EffectKind::FocusChild)->element.id, ElementId::SearchEdit);
  EXPECT_FALSE(s.windowHasFocus);
  out = {};
  moveFocus(s, layout, false, out);
  EXPECT_EQ(s.focus.id, ElementId::TypesEdit);
}

TEST_F(FocusOrder, ReviewTakesItsUnavailableElementsOutOfTheOrder) {
  showTree(s, sample.tree(), sample.photos);
  setMarks(s, {sample.photos}, 3, 7000);
  s.review.open = true;
  s.review.root = sample.photos;
  relayout();
  for (const ElementRef& stop : stops()) {
    EXPECT_NE(stop.id, ElementId::Drive);
    EXPECT_NE(stop.id, ElementId::StandardScan);
    EXPECT_NE(stop.id, ElementId::About);
    EXPECT_NE(stop.id, ElementId::SearchEdit);
    EXPECT_NE(stop.id, ElementId::Address);
  }
  tab();
  EXPECT_EQ(s.focus.id, ElementId::Settings);
}

TEST_F(FocusOrder, ArrowsMoveWithinAGroupAndChoose) {
  s.facts.isAdministrator = true;
  relayout();
  s.focus = {ElementId::StandardScan, -1};
  Outcome out;
  groupMove(s, layout, 1, out);
  EXPECT_EQ(s.focus.id, ElementId::FastScan);
  EXPECT_EQ(s.settings.scanMode, ScanMode::Mft) << "Right on Standard chooses Fast";
  EXPECT_TRUE(out.has(EffectKind::SaveSetting));

  // A standard user: choosing Fast would restart the program, so only the focus moves.
  SetUp();
  s.focus = {ElementId::StandardScan, -1};
  out = {};
  groupMove(s, layout, 1, out);
  EXPECT_EQ(s.focus.id, ElementId::FastScan);
  EXPECT_EQ(s.settings.scanMode, ScanMode::Walk);
  EXPECT_FALSE(out.has(EffectKind::RelaunchAsAdministrator));

  // Left on the first size option wraps to the other one and selects it.
  s.focus = {ElementId::LogicalSizes, -1};
  groupMove(s, layout, -1, out);
  EXPECT_EQ(s.focus.id, ElementId::SizesOnDisk);
  EXPECT_EQ(s.settings.sizeMode, SizeMode::OnDisk);

  // Drives are buttons: the focus moves, nothing is scanned.
  s.focus = {ElementId::Drive, 0};
  out = {};
  groupMove(s, layout, 1, out);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Drive, 1}));
  EXPECT_FALSE(out.has(EffectKind::StartScanThread));

  // An element outside any group does nothing.
  s.focus = {ElementId::About, -1};
  out = {};
  groupMove(s, layout, 1, out);
  EXPECT_EQ(s.focus.id, ElementId::About);
  EXPECT_TRUE(out.effects.empty());
}

TEST_F(FocusOrder, SpatialMoveCountsSidewaysTwice) {
  showTree(s, sample.tree());
  TreemapLayout cells;
  // The focused cell centred at (50, 50); below it one 100 away straight down (score
  // 100) and one offset by (20, 50) (score 2·20 + 50 = 90); right of it one at (60, 0).
  const TreemapRect focused{0, 0, 0, 0, 40, 40, 60, 60, sample.a, 0};
  const TreemapRect below{0, 0, 0, 0, 40, 140, 60, 160, sample.b, 0};
  const TreemapRect slanted{0, 0, 0, 0, 60, 90, 80, 110, sample.doc, 0};
  const TreemapRect right{0, 0, 0, 0, 100, 40, 120, 60, sample.big, 0};
  for (const TreemapRect& r : {focused, below, slanted, right}) pushTreemapRect(cells, r);
  s.treemap = &cells;
  s.shown.focusNode = sample.a;
  s.focus = {ElementId::Map, 0};
  Outcome out;
  spatialMove(s, 0, 1, out);
  EXPECT_EQ(s.shown.focusNode, sample.doc);
  EXPECT_TRUE(out.has(EffectKind::AnnounceFocus));
  s.shown.focusNode = sample.a;
  spatialMove(s, 1, 0, out);
  EXPECT_EQ(s.shown.focusNode, sample.big);
  out = {};
  spatialMove(s, 1, 0, out);
  EXPECT_EQ(s.shown.focusNode, sample.big) << "nothing further right";
  EXPECT_TRUE(out.effects.empty());
  spatialMove(s, 0, -1, out);
  EXPECT_EQ(s.shown.focusNode, sample.big) << "nothing lies above big.iso";
  spatialMove(s, -1, 0, out);
  EXPECT_EQ(s.shown.focusNode, sample.a) << "left: a.jpg (60) before doc.txt (2·50 + 40) and b.jpg";
  releaseTreemapLayout(cells);
}

}  // namespace
