#include "ui/commands.h"

#include "ui/view_rules.h"
#include "ui_fixture.h"

namespace {

class Commands : public WindowTest {
 protected:
  Outcome run(ElementId id, int32_t sub = -1) { return invokeElement(s, layout, {id, sub}); }
  static const Effect* saved(const Outcome& out, std::u16string_view key) {
    for (const Effect& e : out.effects)
      if (e.kind == EffectKind::SaveSetting && e.key == key) return &e;
    return nullptr;
  }
};

struct FastCase {
  bool administrator, hideRestart, disableMft;
  ScanMode modeAfter;
  bool relaunch;
  const char* notice;
};

TEST_F(Commands, FastScanOptionByTheFastScanState) {
  const FastCase cases[] = {
      {true, false, false, ScanMode::Mft, false, ""},
      {false, false, false, ScanMode::Walk, true, ""},
      {false, true, false, ScanMode::Walk, false,
       "Managed by your organization: restarting as administrator for the fast scan is turned off."},
      {true, false, true, ScanMode::Walk, false, "Managed by your organization: the fast MFT scan is turned off."},
  };
  for (const FastCase& c : cases) {
    SetUp();
    s.facts.isAdministrator = c.administrator;
    s.facts.policies.hideRestartAsAdmin = c.hideRestart;
    s.facts.policies.disableMftScan = c.disableMft;
    Outcome out = run(ElementId::FastScan);
    EXPECT_EQ(s.settings.scanMode, c.modeAfter);
    EXPECT_EQ(out.has(EffectKind::RelaunchAsAdministrator), c.relaunch);
    EXPECT_EQ(narrow(s.notice.text), c.notice);
    if (c.modeAfter == ScanMode::Mft) {
      ASSERT_NE(saved(out, u"scanMode"), nullptr);
      EXPECT_EQ(saved(out, u"scanMode")->text, u"Mft");
    } else {
      EXPECT_EQ(saved(out, u"scanMode"), nullptr);
    }
    EXPECT_TRUE(out.repaint);
  }
  Outcome out = run(ElementId::StandardScan);
  EXPECT_EQ(s.settings.scanMode, ScanMode::Walk);
  EXPECT_EQ(saved(out, u"scanMode")->text, u"Walk");
}

TEST_F(Commands, AlwaysStartAsAdministratorUnderPolicy) {
  s.facts.isAdministrator = true;
  Outcome out = run(ElementId::ElevateAtStart);
  EXPECT_TRUE(s.settings.elevateAtStart);
  ASSERT_NE(saved(out, u"elevate"), nullptr);
  EXPECT_EQ(saved(out, u"elevate")->section, u"start");
  EXPECT_EQ(saved(out, u"elevate")->text, u"true");
  out = run(ElementId::ElevateAtStart);
  EXPECT_EQ(saved(out, u"elevate")->text, u"false");
  s.facts.policies.hideRestartAsAdmin = 1;
  out = run(ElementId::ElevateAtStart);
  EXPECT_FALSE(s.settings.elevateAtStart);
  EXPECT_EQ(saved(out, u"elevate"), nullptr);
  EXPECT_EQ(narrow(s.notice.text), "Managed by your organization: starting as administrator is turned off.");
}

TEST_F(Commands, UnitsAndSizeMode) {
  s.filter.minimumSize = u" \t ";
  s.settings.sizeUnits = SizeUnits::Decimal;
  Outcome out = run(ElementId::DecimalUnits);
  EXPECT_TRUE(out.effects.empty()) << "decimal already";
  out = run(ElementId::BinaryUnits);
  EXPECT_EQ(s.settings.sizeUnits, SizeUnits::Binary);
  EXPECT_EQ(saved(out, u"sizeUnits")->text, u"GiB");
  ASSERT_TRUE(out.has(EffectKind::SetDecimalSizes));
  EXPECT_FALSE(out.find(EffectKind::SetDecimalSizes)->flag);
  EXPECT_FALSE(out.has(EffectKind::ApplyFilters)) << "blanks are no minimum size";
  EXPECT_TRUE(out.relayout);
  s.filter.minimumSize = u"500";
  out = run(ElementId::DecimalUnits);
  EXPECT_EQ(saved(out, u"sizeUnits")->text, u"GB");
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters)) << "500 MB means other bytes now";

  out = run(ElementId::LogicalSizes);
  EXPECT_TRUE(out.effects.empty());
  out = run(ElementId::SizesOnDisk);
  EXPECT_EQ(s.settings.sizeMode, SizeMode::OnDisk);
  EXPECT_EQ(saved(out, u"sizeMode")->text, u"OnDisk");
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters));
  s.facts.policies.defaultSizeMode = 1;
  out = run(ElementId::LogicalSizes);
  EXPECT_EQ(s.settings.sizeMode, SizeMode::OnDisk);
  EXPECT_EQ(s.notice.kind, NoticeKind::Managed);
  EXPECT_FALSE(out.has(EffectKind::ApplyFilters));
}

TEST_F(Commands, ClearFiltersEmptiesTheFieldsThenApplies) {
  s.filter = {u"*.jpg", u"video", u"1x", true};
  Outcome out = run(ElementId::ClearFilters);
  EXPECT_TRUE(s.filter.search.empty() && s.filter.types.empty() && s.filter.minimumSize.empty());
  EXPECT_FALSE(s.filter.sizeInvalid) << "the warning goes with the text";
  ASSERT_EQ(out.effects.size(), 2u);
  EXPECT_EQ(out.effects[0].kind, EffectKind::ClearFilterFields);
  EXPECT_EQ(out.effects[1].kind, EffectKind::ApplyFilters);
}

TEST_F(Commands, PerformancePanelOpensAndFolds) {
  Outcome out = run(ElementId::PerformanceHeader);
  EXPECT_EQ(s.settings.performancePanel, PerformancePanel::Open);
  EXPECT_EQ(saved(out, u"performancePanel")->text, u"open");
  ASSERT_TRUE(out.has(EffectKind::StartPanelAnimation));
  EXPECT_TRUE(out.find(EffectKind::StartPanelAnimation)->flag);
  EXPECT_TRUE(out.relayout);

  out = run(ElementId::PerformanceHeader);
  EXPECT_EQ(saved(out, u"performancePanel")->text, u"closed");
  EXPECT_TRUE(s.panelClosing);
  EXPECT_EQ(panelState(s), PerformancePanel::Open) << "open until the fold animation ends";
  out = run(ElementId::PerformanceHeader);
  EXPECT_TRUE(out.effects.empty()) << "ignored while it folds";
  Outcome done;
  finishPanelFold(s, done);
  EXPECT_EQ(s.settings.performancePanel, PerformancePanel::Folded);
  EXPECT_TRUE(done.relayout);

  s.facts.animationsOn = false;
  run(ElementId::PerformanceHeader);
  out = run(ElementId::PerformanceHeader);
  EXPECT_EQ(s.settings.performancePanel, PerformancePanel::Folded) << "no animation: folded at once";
  EXPECT_FALSE(out.has(EffectKind::StartPanelAnimation));

  s.settings.performancePanel = PerformancePanel::Hidden;
  EXPECT_TRUE(run(ElementId::PerformanceHeader).effects.empty());
}

TEST_F(Commands, NoticeActionAndClose) {
  s.notice = {NoticeKind::Information, u"Mossbloom 1.0 is up to date. Check for updates automatically once a day?", u"",
              NoticeAction::TurnOn};
  Outcome out = run(ElementId::NoticeAction);
  EXPECT_EQ(saved(out, u"autoUpdateCheck")->text, u"1");
  EXPECT_EQ(s.notice.kind, NoticeKind::Success);
  EXPECT_EQ(narrow(s.notice.text), "Mossbloom now checks for updates once a day.");

  s.notice = {NoticeKind::Information, u"…", u"", NoticeAction::TurnOn};
  out = run(ElementId::CloseNotice);
  EXPECT_EQ(saved(out, u"autoUpdateCheck")->text, u"0");
  EXPECT_EQ(s.notice.kind, NoticeKind::None);
  EXPECT_TRUE(out.relayout);

  s.notice = {NoticeKind::Information, u"Mossbloom 2.0 is available. You have 1.0.", u"2.0.0-rc.1+build.20260101.abcdef",
              NoticeAction::Update};
  out = run(ElementId::NoticeAction);
  EXPECT_TRUE(out.has(EffectKind::StartUpdateDownload));
  out = run(ElementId::CloseNotice);
  EXPECT_EQ(saved(out, u"updateDismissed")->text, u"2.0.0-rc.1+build.2026010") << "24 units at most";

  s.notice = {NoticeKind::Error, u"Not enough memory to scan C:\\."};
  out = run(ElementId::CloseNotice);
  EXPECT_EQ(saved(out, u"updateDismissed"), nullptr);
  EXPECT_EQ(s.notice.kind, NoticeKind::None);
  EXPECT_TRUE(run(ElementId::NoticeAction).effects.empty());
}

TEST_F(Commands, ViewTabsSwitchTheView) {
  Outcome out = run(ElementId::ViewTab, 1);
  EXPECT_EQ(s.currentView, MainView::Files);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::ViewTab, 1}));
  EXPECT_EQ(out.find(EffectKind::ShowLists)->number, 1);
  EXPECT_TRUE(out.has(EffectKind::AnnounceFocus));
  EXPECT_TRUE(run(ElementId::ViewTab, 1).effects.empty());
  EXPECT_TRUE(run(ElementId::ViewTab, 3).effects.empty());
  EXPECT_EQ(s.currentView, MainView::Files);
}

TEST_F(Commands, ReviewIgnoresWhatBelongsOutsideIt) {
  setMarks(s, {sample.photos}, 3, 7000);
  s.review.open = true;
  s.review.root = sample.photos;
  for (ElementId id : {ElementId::Drive, ElementId::StandardScan, ElementId::FastScan, ElementId::ClearFilters,
                       ElementId::About, ElementId::ElevateAtStart, ElementId::Address, ElementId::ViewTab,
                       ElementId::SearchEdit, ElementId::TypesEdit, ElementId::SizeEdit, ElementId::AddressEdit}) {
    ViewState before = s;
    Outcome out = run(id, 0);
    EXPECT_TRUE(out.effects.empty()) << static_cast<int>(id);
    EXPECT_FALSE(out.repaint) << "no repaint either";
    EXPECT_EQ(s.currentView, before.currentView);
  }
  EXPECT_TRUE(run(ElementId::MarksPill).effects.empty()) << "the review is open already";
  // The main button starts the job over the marks; while it runs, Back and Up stay,
  // the second button cancels.
  EXPECT_TRUE(run(ElementId::ReviewMain).has(EffectKind::StartDeletion));
  EXPECT_TRUE(s.review.deletionRunning);
  EXPECT_EQ(s.review.jobNodes, std::vector<int32_t>{sample.photos});
  run(ElementId::ReviewBack);
  run(ElementId::Up);
  EXPECT_TRUE(s.review.open) << "the review stays while its deletion runs";
  EXPECT_TRUE(run(ElementId::ReviewSecond).has(EffectKind::RequestDeletionCancel));
  EXPECT_TRUE(s.review.cancelRequested);
  s.review.deletionRunning = s.review.cancelRequested = false;
  // Up at the review's root leaves the review; Back does too.
  Outcome up = run(ElementId::Up);
  EXPECT_FALSE(s.review.open);
  EXPECT_TRUE(up.find(EffectKind::ShowFilterEdits)->flag);
  EXPECT_EQ(up.find(EffectKind::SetWindowTitle)->text, u"Mossbloom");
  s.review.open = true;
  EXPECT_TRUE(run(ElementId::ReviewBack).has(EffectKind::ShowFilterEdits));
  EXPECT_FALSE(s.review.open);
}

TEST_F(Commands, StopAndRescan) {
  Outcome out = run(ElementId::ScanButton);
  ASSERT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_EQ(out.find(EffectKind::StartScanThread)->text, u"C:\\");
  EXPECT_EQ(s.scan.driveIndex, 0);
  EXPECT_TRUE(s.scan.scanning);
  EXPECT_EQ(narrow(scanButtonLabel(s, false)), "Stop");
  out = run(ElementId::ScanButton);
  EXPECT_TRUE(out.has(EffectKind::RequestStop));
  EXPECT_EQ(narrow(scanButtonLabel(s, false)), "Stopping…");
  EXPECT_EQ(narrow(scanButtonLabel(s, true)), "Stopping");
  EXPECT_FALSE(scanButtonEnabled(s));
  EXPECT_TRUE(run(ElementId::ScanButton).effects.empty()) << "a second stop changes nothing";
}

TEST_F(Commands, RescanOfAnImportReadsTheFileAgain) {
  s.drives[1] = driveEntry(u'D');
  s.drives[1].csvPath = u"C:\\exports\\Data (D).csv";
  s.scan.driveIndex = 1;
  s.scan.rootPath = u"D:\\";
  s.shown.source = TreeSource::Csv;
  Outcome out = run(ElementId::ScanButton);
  ASSERT_TRUE(out.has(EffectKind::StartImportThread));
  EXPECT_EQ(out.find(EffectKind::StartImportThread)->text, u"C:\\exports\\Data (D).csv");
  EXPECT_FALSE(out.has(EffectKind::StartScanThread)) << "the drive itself is not scanned";
}

TEST_F(Commands, ExportVersionAboutSettings) {
  EXPECT_TRUE(run(ElementId::Export).has(EffectKind::OpenExportDialog));
  s.exporting.running = true;
  EXPECT_FALSE(run(ElementId::Export).has(EffectKind::OpenExportDialog));
  EXPECT_TRUE(run(ElementId::Version).has(EffectKind::CheckForUpdates));
  s.facts.policies.updateCheck = 0;
  EXPECT_FALSE(run(ElementId::Version).has(EffectKind::CheckForUpdates));
  EXPECT_TRUE(run(ElementId::About).has(EffectKind::ShowAbout));
  EXPECT_TRUE(run(ElementId::Settings).has(EffectKind::OpenSettings));
  Outcome out = run(ElementId::List);
  EXPECT_TRUE(out.effects.empty()) << "focus only";
}

TEST_F(Commands, AddressFieldOpensWithTheShownPath) {
  Outcome out = run(ElementId::Address);
  EXPECT_TRUE(s.addressShown);
  EXPECT_EQ(out.find(EffectKind::ShowAddressEdit)->text, u"C:\\Users\\me\\photos");
  EXPECT_TRUE(run(ElementId::Address).effects.empty()) << "already shown";
  s.addressShown = false;
  s.scan.scanning = true;
  EXPECT_TRUE(run(ElementId::Address).effects.empty()) << "not while scanning";
}

TEST_F(Commands, BreadcrumbSegmentsZoomOutOrScanAbove) {
  Outcome out = run(ElementId::BreadcrumbSegment, 1);   // Users
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_EQ(s.shown.focusNode, sample.photos) << "the folder left keeps the focus";
  ASSERT_TRUE(out.has(EffectKind::ZoomMap));
  EXPECT_FALSE(out.find(EffectKind::ZoomMap)->flag) << "zooming out";
  EXPECT_TRUE(run(ElementId::BreadcrumbSegment, 1).effects.empty()) << "the last segment is not clickable";

  // A scan of D:\Photos\2020: clicking Photos scans D:\Photos with D's entry.
  TestTree t;
  t.root(u"D:\\Photos\\2020");
  finalizeTree(t.tree);
  showTree(s, t.tree);
  out = run(ElementId::BreadcrumbSegment, 1);
  ASSERT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_EQ(out.find(EffectKind::StartScanThread)->text, u"D:\\Photos");
  EXPECT_EQ(s.scan.driveIndex, 1);
  EXPECT_EQ(out.find(EffectKind::FreeTree)->tree, &t.tree);
}

TEST_F(Commands, DriveEntriesScanOrOfferTheMenu) {
  Outcome out = run(ElementId::Drive, 0);   // the current drive, showing its tree
  ASSERT_TRUE(out.has(EffectKind::ShowDriveMenu));
  EXPECT_EQ(out.find(EffectKind::ShowDriveMenu)->number, 0);
  EXPECT_FALSE(out.find(EffectKind::ShowDriveMenu)->flag) << "nothing to continue";
  sample.tree().pendingFolderCount = 1;
  EXPECT_TRUE(run(ElementId::Drive, 0).find(EffectKind::ShowDriveMenu)->flag);

  out = driveMenuChosen(s, 0, kDriveMenuContinue);
  ASSERT_TRUE(out.has(EffectKind::StartContinueThread));
  EXPECT_EQ(out.find(EffectKind::StartContinueThread)->tree, &sample.tree());
  // The menu of the running scan offers Rescan and Cancel only.
  EXPECT_FALSE(run(ElementId::Drive, 0).find(EffectKind::ShowDriveMenu)->flag);
  out = driveMenuChosen(s, 0, kDriveMenuRescan);
  EXPECT_TRUE(out.has(EffectKind::CancelScan));
  EXPECT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_TRUE(driveMenuChosen(s, 1, kDriveMenuRescan).effects.empty()) << "not the current drive";
  EXPECT_TRUE(driveMenuChosen(s, 0, kDriveMenuCancel).effects.empty());

  out = run(ElementId::Drive, 1);
  ASSERT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_EQ(out.find(EffectKind::StartScanThread)->text, u"D:\\");
  EXPECT_TRUE(run(ElementId::Drive, 7).effects.empty()) << "out of range";

  s.facts.policies.allowedPaths = {u"Q:\\Only"};
  out = run(ElementId::Drive, 1);
  EXPECT_EQ(narrow(s.notice.text), "Managed by your organization: scanning this drive is not allowed.");
  EXPECT_FALSE(out.has(EffectKind::StartScanThread));
  s.facts.policies.allowedPaths = {u"C:\\Data"};
  EXPECT_EQ(driveTarget(s, 0), u"C:\\Data") << "only the allowed folder on it";
  EXPECT_TRUE(driveTarget(s, 1).empty());
}

TEST_F(Commands, EnterOnTheMapZoomsOrShowsTheItem) {
  showTree(s, sample.tree());
  relayout();
  MapCells cells;
  cells.build(s, layout);
  s.shown.focusNode = sample.a;
  Outcome out = run(ElementId::Map, 0);
  EXPECT_EQ(s.shown.viewRoot, sample.photos);
  EXPECT_TRUE(out.find(EffectKind::ZoomMap)->flag);
  s.mapStale = false;
  cells.build(s, layout);
  s.shown.focusNode = sample.a;
  out = run(ElementId::Map, 0);
  ASSERT_TRUE(out.has(EffectKind::ShowInExplorer)) << "a.jpg lies in the view root now";
  EXPECT_EQ(out.find(EffectKind::ShowInExplorer)->node, sample.a);
}

TEST_F(Commands, UseFastScanOnTheTip) {
  ViewState scanning = windowState(1280, 800);
  scanning.drives = {driveEntry(u'C')};
  Outcome start = invokeElement(scanning, layout, {ElementId::Drive, 0});
  ASSERT_TRUE(start.has(EffectKind::StartScanThread));
  EXPECT_TRUE(invokeElement(scanning, layout, {ElementId::UseFastScan, -1}).effects.empty()) << "no tip yet";
  scanning.nowMs += 3000;
  Outcome out = invokeElement(scanning, layout, {ElementId::UseFastScan, -1});
  EXPECT_TRUE(out.has(EffectKind::RelaunchAsAdministrator));
  scanning.facts.isAdministrator = true;
  out = invokeElement(scanning, layout, {ElementId::UseFastScan, -1});
  EXPECT_EQ(scanning.settings.scanMode, ScanMode::Mft);
  ASSERT_TRUE(out.has(EffectKind::StartScanThread));
  EXPECT_TRUE(out.find(EffectKind::StartScanThread)->flag) << "the rescan tries the fast scan";
  EXPECT_TRUE(out.has(EffectKind::CancelScan));
}

TEST_F(Commands, SplitterResetsTheWidth) {
  s.settings.sidebarWidth = 400;
  relayout();
  Outcome out = run(ElementId::Splitter);
  EXPECT_EQ(s.settings.sidebarWidth, 0);
  ASSERT_NE(saved(out, u"sidebarWidth"), nullptr);
  EXPECT_TRUE(saved(out, u"sidebarWidth")->text.empty());
}

}  // namespace
