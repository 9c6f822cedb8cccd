#include "ui/pointer.h"

#include "ui_fixture.h"

namespace {

class Pointer : public WindowTest {
 protected:
  static int32_t cx(const PixelRect& r) { return (r.left + r.right) / 2; }
  static int32_t cy(const PixelRect& r) { return (r.top + r.bottom) / 2; }
  Outcome click(const PixelRect& r) {
    pointerDown(s, layout, cx(r), cy(r));
    return pointerUp(s, layout, cx(r), cy(r));
  }
};

TEST_F(Pointer, ReleaseOffTheButtonRunsNothingAndBackOnItRuns) {
  const PixelRect up = layout.upButton;
  pointerDown(s, layout, cx(up), cy(up));
  EXPECT_EQ(s.pressed.id, ElementId::Up);
  pointerMove(s, layout, cx(up), up.bottom + 40);
  EXPECT_EQ(s.hover.id, ElementId::None) << "a pressed element is hovered only under the pointer";
  MapCells cells;
  cells.build(s, layout);
  int32_t x, y;
  cells.centreOf(layout, sample.a, x, y);
  pointerMove(s, layout, x, y);
  EXPECT_EQ(s.hoverCell, -1) << "no cell is hovered while a button is pressed on an element";
  Outcome out = pointerUp(s, layout, cx(up), up.bottom + 40);
  EXPECT_EQ(s.shown.viewRoot, sample.photos);
  EXPECT_FALSE(out.has(EffectKind::ZoomMap));
  EXPECT_EQ(s.pressed.id, ElementId::None);

  pointerDown(s, layout, cx(up), cy(up));
  pointerMove(s, layout, cx(up), up.bottom + 40);
  pointerMove(s, layout, cx(up) + 3, cy(up));
  EXPECT_EQ(s.hover.id, ElementId::Up);
  out = pointerUp(s, layout, cx(up) + 3, cy(up));
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  EXPECT_EQ(s.shown.focusNode, sample.photos) << "the folder just left keeps the focus";
  EXPECT_TRUE(out.has(EffectKind::ReleaseMouse));
}

TEST_F(Pointer, TwoQuickClicksOnUpGoUpTwoLevels) {
  const PixelRect up = layout.upButton;
  pointerDown(s, layout, cx(up), cy(up));
  pointerUp(s, layout, cx(up), cy(up));
  doubleClick(s, layout, cx(up), cy(up));   // the second press arrives as a double click
  pointerUp(s, layout, cx(up), cy(up));
  EXPECT_EQ(s.shown.viewRoot, sample.users);
}

TEST_F(Pointer, WheelStepsAddUpOverTheMap) {
  showTree(s, sample.tree());
  relayout();
  MapCells cells;
  cells.build(s, layout);
  int32_t x, y;
  cells.centreOf(layout, sample.a, x, y);
  Outcome out = wheel(s, layout, x, y, 60);
  EXPECT_FALSE(out.has(EffectKind::ZoomMap));
  out = wheel(s, layout, x, y, 60);
  ASSERT_TRUE(out.has(EffectKind::ZoomMap)) << "+60 twice zooms once";
  EXPECT_EQ(s.shown.viewRoot, sample.users) << "one level: the root's child on the way to a.jpg";
  EXPECT_TRUE(out.find(EffectKind::ZoomMap)->flag);
  EXPECT_EQ(s.wheel, 0);

  wheel(s, layout, x, y, -60);
  out = wheel(s, layout, x, y, 60);
  EXPECT_FALSE(out.has(EffectKind::ZoomMap)) << "-60 then +60 does nothing";
  out = wheel(s, layout, x, y, -120);
  EXPECT_EQ(s.shown.viewRoot, sample.root) << "-120 goes up";
  EXPECT_EQ(s.shown.focusNode, -1) << "the wheel does not move the focus";

  // Over a file that lies directly in the view root nothing opens.
  cells.centreOf(layout, sample.big, x, y);
  wheel(s, layout, x, y, 120);
  EXPECT_EQ(s.shown.viewRoot, sample.root);
}

TEST_F(Pointer, WheelOverTheDriveListScrollsIt) {
  s = windowState(1280, 600);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  relayout();
  wheel(s, layout, 100, 200, -120);
  EXPECT_EQ(s.driveScroll, 72);
  relayout();
  wheel(s, layout, 100, 200, -1200);
  EXPECT_EQ(s.driveScroll, layout.sidebar.driveScrollRange);
  relayout();
  wheel(s, layout, 100, 200, 240);
  EXPECT_EQ(s.driveScroll, layout.sidebar.driveScrollRange - 144);
}

TEST_F(Pointer, DraggedKnobSnapsToTheNearerOption) {
  const PixelRect logical = layout.logicalSizes, onDisk = layout.sizesOnDisk;
  pointerDown(s, layout, cx(logical), cy(logical));
  pointerMove(s, layout, (cx(logical) + cx(onDisk)) / 2, cy(logical));
  EXPECT_TRUE(s.press.knobDragged);
  EXPECT_DOUBLE_EQ(s.press.knobPosition, 0.5);
  Outcome out = pointerUp(s, layout, (cx(logical) + cx(onDisk)) / 2, cy(logical));
  EXPECT_EQ(s.settings.sizeMode, SizeMode::OnDisk) << "exactly halfway selects the second option";
  const Effect* save = out.find(EffectKind::SaveSetting);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->key, u"sizeMode");
  EXPECT_EQ(save->text, u"OnDisk");
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters));

  // Losing the capture mid-drag puts the knob back without a command.
  pointerDown(s, layout, cx(onDisk), cy(onDisk));
  pointerMove(s, layout, cx(logical), cy(onDisk));
  EXPECT_DOUBLE_EQ(s.press.knobPosition, 0.0);
  out = captureLost(s);
  EXPECT_EQ(s.settings.sizeMode, SizeMode::OnDisk);
  EXPECT_FALSE(s.press.knobDragged);
  EXPECT_EQ(s.pressed.id, ElementId::None);
  EXPECT_FALSE(out.has(EffectKind::SaveSetting));

  // A small wobble is a click, not a drag.
  pointerDown(s, layout, cx(logical), cy(logical));
  pointerMove(s, layout, cx(logical) + 3, cy(logical));
  EXPECT_FALSE(s.press.knobDragged);
  pointerUp(s, layout, cx(logical) + 3, cy(logical));
  EXPECT_EQ(s.settings.sizeMode, SizeMode::Logical);
}

TEST_F(Pointer, PolicyFixedSizeModeCannotBeDraggedAndClickingTellsWhy) {
  s.facts.policies.defaultSizeMode = 0;
  const PixelRect logical = layout.logicalSizes, onDisk = layout.sizesOnDisk;
  pointerDown(s, layout, cx(logical), cy(logical));
  pointerMove(s, layout, cx(onDisk), cy(logical));
  EXPECT_FALSE(s.press.knobDragged);
  pointerUp(s, layout, cx(onDisk), cy(logical));
  EXPECT_EQ(s.settings.sizeMode, SizeMode::Logical);
  Outcome out = click(onDisk);
  EXPECT_EQ(s.settings.sizeMode, SizeMode::Logical);
  EXPECT_EQ(s.notice.kind, NoticeKind::Managed);
  EXPECT_EQ(narrow(s.notice.text), "Managed by your organization: the size mode is set by policy.");
  EXPECT_TRUE(out.has(EffectKind::NoticeShown));
}

TEST_F(Pointer, SplitterDragSetsTheWidthAndSavesItAtTheEnd) {
  const PixelRect splitter = layout.sidebar.splitter;
  const int32_t x = cx(splitter);
  EXPECT_EQ(pointerShapeAt(s, layout, x, 300), PointerShape::SizeWestEast);
  EXPECT_EQ(pointerShapeAt(s, layout, x + 200, 300), PointerShape::Arrow);
  EXPECT_EQ(pointerShapeAt(s, layout, cx(layout.status.panelButton), cy(layout.status.panelButton)), PointerShape::Hand);
  pointerDown(s, layout, x, 300);
  EXPECT_EQ(pointerShapeAt(s, layout, x + 200, 300), PointerShape::SizeWestEast) << "while dragged";
  Outcome out = pointerMove(s, layout, x + 40, 300);
  EXPECT_EQ(s.settings.sidebarWidth, 265 + 40);
  EXPECT_TRUE(s.resizing);
  EXPECT_TRUE(out.has(EffectKind::StartResizeTimer));
  EXPECT_TRUE(out.has(EffectKind::AnnounceValueChange));
  EXPECT_FALSE(out.has(EffectKind::SaveSetting)) << "saved when the drag ends";
  relayout();
  pointerMove(s, layout, x + 500, 300);
  EXPECT_EQ(s.settings.sidebarWidth, 480) << "limited to the largest width";
  relayout();
  out = pointerUp(s, layout, x + 500, 300);
  EXPECT_FALSE(s.resizing);
  const Effect* save = out.find(EffectKind::SaveSetting);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->key, u"sidebarWidth");
  EXPECT_EQ(save->text, u"480");

  // A double click resets it and saves an empty value.
  relayout();
  out = doubleClick(s, layout, cx(layout.sidebar.splitter), 300);
  EXPECT_EQ(s.settings.sidebarWidth, 0);
  save = out.find(EffectKind::SaveSetting);
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(save->text.empty());
}

TEST_F(Pointer, PressOnAHalfVisibleDriveStillScansIt) {
  s = windowState(1280, 600);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  s.driveScroll = 40;
  relayout();
  const PixelRect row = layout.sidebar.driveRows[0];   // 68..136, the list starts at 108
  ASSERT_LT(row.top, layout.sidebar.driveList.top);
  pointerDown(s, layout, 100, 120);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Drive, 0}));
  EXPECT_EQ(s.driveScroll, 40) << "a press does not scroll the row away from the pointer";
  Outcome out = pointerUp(s, layout, 100, 120);
  EXPECT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_EQ(s.scan.rootPath, u"C:\\");
}

TEST_F(Pointer, HoverChangesRepaintOnlyWhenSomethingChanged) {
  MapCells cells;
  cells.build(s, layout);
  Outcome out = pointerMove(s, layout, cx(layout.upButton), cy(layout.upButton));
  EXPECT_TRUE(out.repaint);
  EXPECT_EQ(s.hover.id, ElementId::Up);
  out = pointerMove(s, layout, cx(layout.upButton) + 1, cy(layout.upButton));
  EXPECT_FALSE(out.repaint);
  int32_t x, y;
  cells.centreOf(layout, sample.a, x, y);
  out = pointerMove(s, layout, x, y);
  EXPECT_TRUE(out.repaint);
  EXPECT_EQ(s.hover.id, ElementId::None);
  EXPECT_EQ(s.hoverCell, cells.cellOf(sample.a));
  pointerLeave(s);
  EXPECT_EQ(s.hoverCell, -1);
}

TEST_F(Pointer, PressOnACellFocusesItsNodeAndArmsADragToMark) {
  MapCells cells;
  cells.build(s, layout);
  int32_t x, y;
  cells.centreOf(layout, sample.b, x, y);
  s.focusVisible = true;
  Outcome out = pointerDown(s, layout, x, y);
  EXPECT_FALSE(s.focusVisible);
  EXPECT_EQ(s.shown.focusNode, sample.b);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Map, 0}));
  ASSERT_TRUE(out.has(EffectKind::ArmDragToMark));
  EXPECT_EQ(out.find(EffectKind::ArmDragToMark)->node, sample.b);
  EXPECT_TRUE(pointerUp(s, layout, x, y).has(EffectKind::ReleaseMouse));

  // Double click on a file deeper down zooms to its folder; on a file in the view root nothing.
  showTree(s, sample.tree());
  relayout();
  cells.build(s, layout);
  cells.centreOf(layout, sample.big, x, y);
  out = doubleClick(s, layout, x, y);
  EXPECT_FALSE(out.has(EffectKind::ZoomMap));
  cells.centreOf(layout, sample.a, x, y);
  out = doubleClick(s, layout, x, y);
  EXPECT_EQ(s.shown.viewRoot, sample.photos);
}

TEST_F(Pointer, PressInAFilterFieldFocusesTheEdit) {
  Outcome out = pointerDown(s, layout, cx(layout.typesField), cy(layout.typesField));
  EXPECT_EQ(s.focus.id, ElementId::TypesEdit);
  ASSERT_TRUE(out.has(EffectKind::FocusChild));
  EXPECT_EQ(out.find(EffectKind::FocusChild)->element.id, ElementId::TypesEdit);
  EXPECT_EQ(s.pressed.id, ElementId::None);
}

TEST_F(Pointer, BackButtonGoesUpWithoutMovingTheFocus) {
  s.shown.focusNode = sample.a;
  backButton(s);
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  EXPECT_EQ(s.shown.focusNode, sample.a);
}

}  // namespace
