#include "ui/keyboard.h"

#include "ui_fixture.h"

namespace {

class Keyboard : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    s.windowHasFocus = true;
  }
  Outcome press(Key key, KeyModifiers modifiers = {}) { return keyDown(s, layout, key, modifiers); }
};

TEST_F(Keyboard, EscapeStopsOnceThenNothing) {
  press(Key::F5);
  ASSERT_TRUE(s.scan.scanning);
  Outcome out = press(Key::Escape);
  EXPECT_TRUE(out.has(EffectKind::RequestStop));
  EXPECT_TRUE(s.scan.stopping);
  EXPECT_TRUE(press(Key::Escape).effects.empty()) << "a second Esc before the scan ends changes nothing";
  EXPECT_TRUE(press(Key::F5).effects.empty()) << "no rescan while scanning";
}

TEST_F(Keyboard, EscapeCancelsTheExportOrLeavesTheReview) {
  s.exporting.running = true;
  EXPECT_TRUE(press(Key::Escape).has(EffectKind::CancelExport));
  s.exporting.running = false;
  s.review.open = true;
  s.review.root = sample.photos;
  setMarks(s, {sample.a}, 1, 4000);
  EXPECT_TRUE(press(Key::Escape).has(EffectKind::ShowFilterEdits));
  EXPECT_FALSE(s.review.open) << "Esc leaves the review";
  s.review.open = true;
  s.review.deletionRunning = true;
  EXPECT_TRUE(press(Key::Escape).has(EffectKind::RequestDeletionCancel));
  EXPECT_TRUE(s.review.open) << "while a deletion runs Esc only asks it to stop";
  s.marks.dragging = true;
  EXPECT_TRUE(press(Key::Escape).has(EffectKind::CancelDragToMark));
}

TEST_F(Keyboard, BackspaceKeepsTheFolderLeftFocused) {
  press(Key::Backspace);
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  EXPECT_EQ(s.shown.focusNode, sample.photos);
  press(Key::Backspace);
  press(Key::Backspace);
  EXPECT_EQ(s.shown.viewRoot, sample.root);
  EXPECT_TRUE(press(Key::Backspace).effects.empty());
}

TEST_F(Keyboard, ShortcutsAndViews) {
  press(Key::Digit2, {true, false, false});
  EXPECT_EQ(s.currentView, MainView::Files);
  press(Key::Digit3, {true, false, false});
  EXPECT_EQ(s.currentView, MainView::Extensions);
  press(Key::Digit1, {true, false, false});
  EXPECT_EQ(s.currentView, MainView::Map);
  EXPECT_TRUE(press(Key::E, {true, false, false}).has(EffectKind::OpenExportDialog));
  EXPECT_TRUE(press(Key::F1).has(EffectKind::ShowAbout));
  EXPECT_TRUE(press(Key::D, {false, false, true}).has(EffectKind::ShowAddressEdit));
  s.addressShown = false;
  EXPECT_TRUE(press(Key::L, {true, false, false}).has(EffectKind::ShowAddressEdit));
  s.addressShown = false;
  EXPECT_TRUE(press(Key::F4).has(EffectKind::ShowAddressEdit));
  EXPECT_TRUE(press(Key::D).effects.empty()) << "D alone is no shortcut";
}

TEST_F(Keyboard, EnterAndSpaceRunTheFocusedElement) {
  s.focus = {ElementId::Up, -1};
  press(Key::Enter);
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  Outcome down = press(Key::Space);
  EXPECT_TRUE(down.effects.empty());
  EXPECT_EQ(s.shown.viewRoot, sample.me) << "Space acts when it comes up";
  keyUp(s, layout, Key::Space);
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_TRUE(keyUp(s, layout, Key::Space).effects.empty()) << "only after a press";

  MapCells cells;
  showTree(s, sample.tree());
  relayout();
  cells.build(s, layout);
  s.focus = {ElementId::Map, 0};
  s.shown.focusNode = sample.a;
  press(Key::Space);
  keyUp(s, layout, Key::Space);
  EXPECT_EQ(s.shown.viewRoot, sample.root) << "Space does not open map cells";
  press(Key::Enter);
  EXPECT_EQ(s.shown.viewRoot, sample.photos) << "Enter does";
}

TEST_F(Keyboard, TabAndArrowsShowTheFocus) {
  EXPECT_FALSE(s.focusVisible);
  Outcome out = press(Key::Tab);
  EXPECT_TRUE(s.focusVisible);
  EXPECT_TRUE(out.repaint);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::Drive, 0}));
  press(Key::Tab, {false, true, false});
  EXPECT_EQ(s.focus.id, ElementId::PerformanceHeader);
}

TEST_F(Keyboard, ArrowsOnTheSplitterChangeTheWidth) {
  s.focus = {ElementId::Splitter, -1};
  Outcome out = press(Key::Left);
  EXPECT_EQ(s.settings.sidebarWidth, 265 - 16);
  ASSERT_TRUE(out.has(EffectKind::SaveSetting));
  EXPECT_EQ(out.find(EffectKind::SaveSetting)->text, u"249");
  EXPECT_TRUE(press(Key::Up).effects.empty()) << "Up and Down do nothing there";
  s.settings.sidebarWidth = 480;
  relayout();
  out = press(Key::Right);
  EXPECT_EQ(s.settings.sidebarWidth, 480);
  EXPECT_FALSE(out.has(EffectKind::SaveSetting)) << "at the largest width Right does nothing";
}

TEST_F(Keyboard, DeleteMarksTheHoveredOrFocusedCell) {
  MapCells cells;
  cells.build(s, layout);
  EXPECT_TRUE(press(Key::Delete).effects.empty()) << "nothing hovered or focused";
  s.hoverCell = cells.cellOf(sample.b);
  Outcome out = press(Key::Delete);
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters));
  EXPECT_EQ(s.marks.set.nodes, std::vector<int32_t>{sample.b});
  s.hoverCell = -1;
  s.focus = {ElementId::Map, 0};
  s.shown.focusNode = sample.a;
  press(Key::Delete);
  EXPECT_EQ(s.marks.set.nodes, (std::vector<int32_t>{sample.b, sample.a}));
  s.currentView = MainView::Files;
  EXPECT_TRUE(press(Key::Delete).effects.empty()) << "the lists handle their own Delete";
}

}  // namespace
