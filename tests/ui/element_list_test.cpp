#include "ui/element_list.h"

#include "ui_fixture.h"

namespace {

class ElementList : public UiTest {
 protected:
  SampleTree sample;
  std::vector<AccessibleElement> build(const ViewState& s) { return buildElementList(s, layoutWindow(s, measure), nullptr); }
  static const AccessibleElement& at(const std::vector<AccessibleElement>& list, ElementId id, int32_t sub = -1) {
    int32_t i = findElement(list, elementCode({id, sub}));
    EXPECT_GE(i, 0) << "element " << static_cast<int>(id) << "/" << sub;
    static AccessibleElement none;
    return i >= 0 ? list[i] : none;
  }
  static bool has(const std::vector<AccessibleElement>& list, ElementId id, int32_t sub = -1) {
    return findElement(list, elementCode({id, sub})) >= 0;
  }
};

TEST_F(ElementList, NothingChosenYet) {
  ViewState s = windowState(1280, 800);
  s.drives = {driveEntry(u'C'), driveEntry(u'D', u"Data", u"exFAT", 64000000000, 60000000000)};
  std::vector<AccessibleElement> list = build(s);
  const std::pair<ElementId, int32_t> order[] = {
      {ElementId::Drive, 0},        {ElementId::Drive, 1},       {ElementId::StandardScan, -1},
      {ElementId::FastScan, -1},    {ElementId::About, -1},      {ElementId::Settings, -1},
      {ElementId::Version, -1},     {ElementId::Splitter, -1},   {ElementId::Address, -1},
      {ElementId::ReadOnlyText, 1}, {ElementId::Up, -1},         {ElementId::ScanButton, -1},
      {ElementId::Export, -1},      {ElementId::SearchEdit, -1}, {ElementId::TypesEdit, -1},
      {ElementId::SizeEdit, -1},    {ElementId::ClearFilters, -1}, {ElementId::LogicalSizes, -1},
      {ElementId::SizesOnDisk, -1}, {ElementId::DecimalUnits, -1}, {ElementId::BinaryUnits, -1},
      {ElementId::ViewTab, 0},      {ElementId::ViewTab, 1},     {ElementId::ViewTab, 2},
      {ElementId::Map, -1},         {ElementId::PerformanceHeader, -1},
  };
  ASSERT_EQ(list.size(), std::size(order));
  for (size_t i = 0; i < list.size(); i++)
    EXPECT_EQ(list[i].code, elementCode({order[i].first, order[i].second})) << i;

  const AccessibleElement& d = at(list, ElementId::Drive, 1);
  EXPECT_EQ(narrow(d.name), "Data (D:)");
  EXPECT_EQ(narrow(d.description), "exFAT, 60.0 GB free of 64.0 GB");
  EXPECT_EQ(narrow(d.defaultAction), "Scan");
  EXPECT_EQ(d.role, AccessibleRole::PushButton);
  EXPECT_EQ(d.group, kGroupDrives);
  EXPECT_EQ(d.state, kStateFocusable);

  const AccessibleElement& standard = at(list, ElementId::StandardScan);
  EXPECT_EQ(standard.state, kStateFocusable | kStateChecked);
  EXPECT_EQ(narrow(standard.defaultAction), "Select");
  const AccessibleElement& fast = at(list, ElementId::FastScan);
  EXPECT_EQ(narrow(fast.description), "Restarts as administrator");
  EXPECT_EQ(fast.state, kStateFocusable);

  EXPECT_EQ(at(list, ElementId::Up).state, kStateUnavailable) << "disabled, so not focusable";
  EXPECT_EQ(at(list, ElementId::ScanButton).state, kStateUnavailable) << "nothing chosen to rescan";
  EXPECT_EQ(narrow(at(list, ElementId::ScanButton).name), "Rescan");
  EXPECT_EQ(narrow(at(list, ElementId::ScanButton).shortcut), "F5");
  EXPECT_EQ(narrow(at(list, ElementId::Export).description), "Saves the scan as a CSV file in WizTree's format");
  EXPECT_EQ(at(list, ElementId::ClearFilters).state, kStateUnavailable);
  EXPECT_EQ(at(list, ElementId::SearchEdit).child, ChildControl::SearchEdit);
  EXPECT_EQ(at(list, ElementId::SearchEdit).state, kStateFocusable);
  EXPECT_EQ(at(list, ElementId::ViewTab, 0).state, kStateSelectable | kStateSelected);
  EXPECT_EQ(narrow(at(list, ElementId::ViewTab, 2).shortcut), "Ctrl+3");
  EXPECT_EQ(at(list, ElementId::Map).state, kStateFocusable) << "no cell to focus";
  EXPECT_EQ(at(list, ElementId::PerformanceHeader).state, kStateFocusable | kStateCollapsed);
  EXPECT_EQ(narrow(at(list, ElementId::Version).name), "Version 1.0");
  EXPECT_EQ(narrow(at(list, ElementId::Version).description), "Check for updates");
  const AccessibleElement& grip = at(list, ElementId::Splitter);
  EXPECT_EQ(grip.role, AccessibleRole::Grip);
  EXPECT_EQ(narrow(grip.value), "266") << "the width the Data drive's second line needs";
  EXPECT_EQ(grip.state, kStateFocusable);
}

TEST_F(ElementList, TreeShownWithAFocusedCell) {
  ViewState s = windowState(1280, 800);
  s.drives = {driveEntry(u'C')};
  showTree(s, sample.tree(), sample.photos);
  WindowLayout layout = layoutWindow(s, measure);
  MapCells cells;
  cells.build(s, layout);
  s.shown.focusNode = sample.a;
  s.focus = {ElementId::Map, 0};
  s.windowHasFocus = true;
  std::vector<AccessibleElement> list = buildElementList(s, layout, nullptr);

  EXPECT_EQ(at(list, ElementId::Drive, 0).state, kStateFocusable | kStateSelected) << "the current drive";
  const AccessibleElement& address = at(list, ElementId::Address);
  EXPECT_EQ(narrow(address.value), "C:\\Users\\me\\photos");
  EXPECT_EQ(narrow(address.defaultAction), "Edit");
  EXPECT_EQ(narrow(address.shortcut), "Ctrl+L");
  EXPECT_TRUE(has(list, ElementId::BreadcrumbSegment, 0));
  EXPECT_TRUE(has(list, ElementId::BreadcrumbSegment, 2));
  EXPECT_FALSE(has(list, ElementId::BreadcrumbSegment, 3)) << "the shown folder itself";
  EXPECT_EQ(at(list, ElementId::BreadcrumbSegment, 1).group, kGroupBreadcrumb);
  EXPECT_EQ(at(list, ElementId::Up).state, kStateFocusable);
  EXPECT_EQ(narrow(at(list, ElementId::Up).shortcut), "Backspace");

  const AccessibleElement& map = at(list, ElementId::Map);
  EXPECT_EQ(narrow(map.value), "C:\\Users\\me\\photos, 7.0 kB");
  EXPECT_EQ(map.state, 0u) << "a focused cell stands for it";
  const AccessibleElement& cell = at(list, ElementId::Map, 0);
  EXPECT_EQ(cell.role, AccessibleRole::ListItem);
  EXPECT_EQ(narrow(cell.name), "a.jpg");
  EXPECT_EQ(narrow(cell.value), "4.0 kB (4.1 kB on disk)");
  EXPECT_EQ(narrow(cell.description), "File, C:\\Users\\me\\photos\\a.jpg");
  EXPECT_EQ(narrow(cell.defaultAction), "Show in Explorer");
  EXPECT_EQ(cell.state, kStateFocusable | kStateSelectable | kStateSelected | kStateFocused);
  const TreemapRect& r = cells.layout.rects()[cells.cellOf(sample.a)];
  EXPECT_EQ(cell.rect, (PixelRect{layout.content.map.left + r.x0, layout.content.map.top + r.y0, layout.content.map.left + r.x1,
                             layout.content.map.top + r.y1}));

  // From the root the same file's folder can be entered.
  showTree(s, sample.tree());
  layout = layoutWindow(s, measure);
  cells.build(s, layout);
  s.shown.focusNode = sample.a;
  list = buildElementList(s, layout, nullptr);
  EXPECT_EQ(narrow(at(list, ElementId::Map, 0).defaultAction), "Zoom into photos");

  s.currentView = MainView::Files;
  list = buildElementList(s, layout, nullptr);
  EXPECT_FALSE(has(list, ElementId::Map));
  EXPECT_EQ(at(list, ElementId::List).child, ChildControl::ListView);
  EXPECT_EQ(narrow(at(list, ElementId::List).name), "Files");
}

TEST_F(ElementList, ScanningValueAndStopButton) {
  ViewState s = windowState(1280, 800);
  s.drives = {driveEntry(u'C')};
  s.scan.scanning = true;
  s.scan.rootPath = u"C:\\";
  s.scan.progress.done = 1500;
  std::vector<AccessibleElement> list = build(s);
  EXPECT_EQ(narrow(at(list, ElementId::Map).value), "Scanning C:\\, 1,500 items found");
  EXPECT_EQ(narrow(at(list, ElementId::ScanButton).name), "Stop");
  EXPECT_EQ(narrow(at(list, ElementId::ScanButton).shortcut), "Esc");
  EXPECT_EQ(at(list, ElementId::Address).state, kStateUnavailable);
}

TEST_F(ElementList, ReviewMakesTheOutsideUnavailable) {
  ViewState s = windowState(1280, 800);
  s.drives = {driveEntry(u'C')};
  showTree(s, sample.tree(), sample.photos);
  setMarks(s, {sample.photos}, 3, 7000);
  s.review.open = true;
  s.review.root = sample.me;
  s.focus = {ElementId::About, -1};
  s.windowHasFocus = true;
  std::vector<AccessibleElement> list = build(s);
  for (ElementId id : {ElementId::StandardScan, ElementId::FastScan, ElementId::ClearFilters, ElementId::About,
                       ElementId::Address, ElementId::SearchEdit, ElementId::TypesEdit, ElementId::SizeEdit}) {
    const AccessibleElement& e = at(list, id);
    EXPECT_TRUE(e.state & kStateUnavailable) << static_cast<int>(id);
    EXPECT_FALSE(e.state & kStateFocusable) << static_cast<int>(id);
  }
  EXPECT_TRUE(at(list, ElementId::Drive, 0).state & kStateUnavailable);
  EXPECT_TRUE(at(list, ElementId::ViewTab, 0).state & kStateUnavailable);
  EXPECT_EQ(narrow(at(list, ElementId::ReadOnlyText, kReviewCardText).name),
            "Marked for deletion · 3 items · 7.0 kB · freed once the Recycle Bin is emptied");
  EXPECT_EQ(narrow(at(list, ElementId::ReviewMain).name), "Move to Recycle Bin");
  EXPECT_EQ(narrow(at(list, ElementId::ReviewSecond).name), "Clear marks");
  EXPECT_EQ(narrow(at(list, ElementId::ReviewBack).shortcut), "Esc");
  EXPECT_EQ(narrow(at(list, ElementId::BreadcrumbSegment, 0).name), "Marked for deletion");
  EXPECT_FALSE(has(list, ElementId::MarksPill));
  EXPECT_EQ(at(list, ElementId::Up).state, kStateFocusable) << "up leaves the review";

  s.review.deletionRunning = true;
  s.review.deletionDone = 1;
  s.review.deletionTotal = 2;
  list = build(s);
  EXPECT_EQ(narrow(at(list, ElementId::ReadOnlyText, kReviewCardText).name), "Moving to the Recycle Bin · 1 of 2");
  EXPECT_FALSE(has(list, ElementId::ReviewMain));
  EXPECT_FALSE(has(list, ElementId::ReviewBack));
  EXPECT_EQ(narrow(at(list, ElementId::ReviewSecond).name), "Cancel");
}

TEST_F(ElementList, AddressFieldReplacesTheBreadcrumb) {
  ViewState s = windowState(1280, 800);
  showTree(s, sample.tree(), sample.photos);
  s.addressShown = true;
  s.focus = {ElementId::AddressEdit, -1};
  s.windowHasFocus = false;
  std::vector<AccessibleElement> list = build(s);
  EXPECT_FALSE(has(list, ElementId::Address));
  EXPECT_FALSE(has(list, ElementId::BreadcrumbSegment, 0));
  const AccessibleElement& field = at(list, ElementId::AddressEdit);
  EXPECT_EQ(field.child, ChildControl::AddressEdit);
  EXPECT_EQ(field.state, kStateFocusable) << "a control carries its own focus";
}

TEST_F(ElementList, AdministratorNoticeMarksAndPanel) {
  ViewState s = windowState(1280, 800);
  showTree(s, sample.tree());
  s.facts.isAdministrator = true;
  s.facts.availableVersion = u"2.0";
  s.notice = {NoticeKind::Information, u"Mossbloom 2.0 is available. You have 1.0.", u"2.0", NoticeAction::Update};
  setMarks(s, {sample.photos}, 4, 7000);
  s.settings.performancePanel = PerformancePanel::Open;
  s.performance.memory.peakWorkingSet = 60000000;
  s.focus = {ElementId::Settings, -1};
  s.windowHasFocus = true;
  std::vector<AccessibleElement> list = build(s);
  const AccessibleElement& check = at(list, ElementId::ElevateAtStart);
  EXPECT_EQ(check.role, AccessibleRole::CheckButton);
  EXPECT_EQ(narrow(check.defaultAction), "Check");
  EXPECT_EQ(narrow(check.description), "Asks for administrator rights (UAC) at every start");
  EXPECT_EQ(narrow(at(list, ElementId::ReadOnlyText, kRunningAsAdministratorText).name), "Running as administrator");
  EXPECT_EQ(narrow(at(list, ElementId::FastScan).description), "Reads the NTFS MFT directly");
  EXPECT_EQ(narrow(at(list, ElementId::Version).description), "Version 2.0 is available");
  EXPECT_EQ(at(list, ElementId::ReadOnlyText, kNoticeText).role, AccessibleRole::Alert);
  EXPECT_EQ(narrow(at(list, ElementId::NoticeAction).name), "Update");
  EXPECT_EQ(narrow(at(list, ElementId::CloseNotice).name), "Close message");
  EXPECT_EQ(narrow(at(list, ElementId::MarksPill).name), "4 items, Marked for deletion, 7.0 kB");
  EXPECT_EQ(at(list, ElementId::PerformanceHeader).state & (kStateExpanded | kStateCollapsed), kStateExpanded);
  EXPECT_NE(at(list, ElementId::ReadOnlyText, kPerformanceText).value.find(u" (peak 60.0 MB), Frame"), std::u16string::npos);
  EXPECT_EQ(at(list, ElementId::Settings).state, kStateFocusable | kStateFocused);
  EXPECT_EQ(at(list, ElementId::Up).state, kStateUnavailable) << "at the root";

  s.facts.policies.hideRestartAsAdmin = 1;
  s.facts.policies.updateCheck = 0;
  list = build(s);
  EXPECT_TRUE(at(list, ElementId::ElevateAtStart).state & kStateUnavailable);
  EXPECT_EQ(narrow(at(list, ElementId::ElevateAtStart).description),
            "Restarting as administrator is turned off by your organization.");
  EXPECT_EQ(narrow(at(list, ElementId::Version).description), "Managed by your organization");
  EXPECT_TRUE(at(list, ElementId::Version).state & kStateUnavailable);
}

TEST_F(ElementList, DrivesScrolledOutAreOffscreen) {
  ViewState s = windowState(1280, 600);
  for (char16_t letter = u'C'; letter < u'C' + 10; letter++) s.drives.push_back(driveEntry(letter));
  s.driveScroll = 300;
  s.facts.policies.allowedPaths = {u"E:\\Data"};
  std::vector<AccessibleElement> list = build(s);
  EXPECT_TRUE(at(list, ElementId::Drive, 0).state & kStateOffscreen);
  EXPECT_TRUE(at(list, ElementId::Drive, 0).rect.empty());
  EXPECT_FALSE(at(list, ElementId::Drive, 5).state & kStateOffscreen);
  EXPECT_EQ(narrow(at(list, ElementId::Drive, 2).description), "Only E:\\Data, managed");
  EXPECT_EQ(narrow(at(list, ElementId::Drive, 1).description), "Not allowed, Managed by your organization");
}

TEST_F(ElementList, StatusLineDescribesUnreadableFolders) {
  ViewState s = windowState(1280, 800);
  showTree(s, sample.tree());
  sample.tree().unreadableFolders = {{sample.me, 5}, {sample.empty, 32}};
  sample.tree().unreadableFolderCount = 2;
  std::vector<AccessibleElement> list =
      buildElementList(s, layoutWindow(s, measure), [](uint32_t code) { return code == 5 ? std::u16string(u"Access is denied.") : std::u16string(u"In use."); });
  const AccessibleElement& status = at(list, ElementId::ReadOnlyText, kStatusLineText);
  EXPECT_EQ(narrow(status.description), "C:\\Users\\me: Access is denied.; C:\\empty: In use.");
  EXPECT_EQ(narrow(status.name).rfind("Double-click or wheel up", 0), 0u);
}

}  // namespace
