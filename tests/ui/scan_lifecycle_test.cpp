#include "ui/scan_lifecycle.h"

#include "ui/content_text.h"
#include "ui/view_rules.h"
#include "ui_fixture.h"

namespace {

class ScanLifecycle : public UiTest {
 protected:
  ViewState s = windowState(1280, 800);
  void SetUp() override {
    UiTest::SetUp();
    s.drives = {driveEntry(u'C'), driveEntry(u'D')};
  }
  static std::vector<EffectKind> kinds(const Outcome& out) {
    std::vector<EffectKind> k;
    for (const Effect& e : out.effects) k.push_back(e.kind);
    return k;
  }
};

TEST_F(ScanLifecycle, StartingDropsTheShownTreeAndStartsTheThread) {
  SampleTree sample;
  showTree(s, sample.tree(), sample.photos);
  s.hoverCell = 3;
  const uint32_t generation = s.scan.generation;
  Outcome out;
  startScan(s, 1, {}, out);
  EXPECT_EQ(kinds(out), (std::vector<EffectKind>{EffectKind::RegisterRestart, EffectKind::FreeTree, EffectKind::ResetMap,
                                                 EffectKind::StartScanThread}));
  EXPECT_EQ(out.effects[1].tree, &sample.tree());
  const Effect& start = out.effects.back();
  EXPECT_EQ(start.text, u"D:\\");
  EXPECT_EQ(start.number, static_cast<int32_t>(generation + 1));
  EXPECT_FALSE(start.flag) << "a standard user walks";
  EXPECT_TRUE(s.scan.scanning);
  EXPECT_EQ(s.scan.generation, generation + 1);
  EXPECT_EQ(s.scan.driveIndex, 1);
  EXPECT_EQ(s.scan.rootPath, u"D:\\");
  EXPECT_EQ(s.scan.startMs, s.nowMs);
  EXPECT_EQ(s.shown.tree, nullptr);
  EXPECT_EQ(s.shown.viewRoot, -1);
  EXPECT_EQ(s.hoverCell, -1);
  EXPECT_EQ(narrow(pathTitle(s)), "Scanning…");
  EXPECT_TRUE(out.relayout) << "the toolbar, the title and the summary change";
}

TEST_F(ScanLifecycle, StartingCancelsWhatRuns) {
  s.exporting = {true, u"a.csv", 10};
  s.review.deletionRunning = true;
  Outcome first;
  startScan(s, 0, {}, first);
  Outcome out;
  startScan(s, 0, u"C:\\Users", out);
  EXPECT_EQ(kinds(out), (std::vector<EffectKind>{EffectKind::CancelScan, EffectKind::StopScanTimer,
                                                 EffectKind::RegisterRestart, EffectKind::ResetMap,
                                                 EffectKind::StartScanThread}));
  EXPECT_EQ(kinds(first).front(), EffectKind::CancelExport);
  EXPECT_EQ(kinds(first)[1], EffectKind::CancelDeletion);
  EXPECT_EQ(out.effects.back().text, u"C:\\Users");
  EXPECT_FALSE(s.exporting.running);
}

TEST_F(ScanLifecycle, NothingOrANoticeInsteadOfAScan) {
  Outcome out;
  startScan(s, 5, {}, out);
  EXPECT_TRUE(out.effects.empty()) << "an index out of range without a path";
  startScan(s, -1, {}, out);
  EXPECT_TRUE(out.effects.empty());
  s.facts.policies.allowedPaths = {u"Q:\\Only"};
  startScan(s, 0, {}, out);
  EXPECT_FALSE(s.scan.scanning);
  EXPECT_EQ(s.notice.kind, NoticeKind::Managed);
  EXPECT_EQ(narrow(s.notice.text), "Managed by your organization: scanning C:\\ is not allowed.");
  EXPECT_EQ(kinds(out), (std::vector<EffectKind>{EffectKind::NoticeShown}));
  EXPECT_EQ(out.effects[0].number, 4);
}

TEST_F(ScanLifecycle, FastScanIsTriedOnlyWhereItMayRun) {
  s.settings.scanMode = ScanMode::Mft;
  Outcome out;
  startScan(s, 0, {}, out);
  EXPECT_FALSE(out.find(EffectKind::StartScanThread)->flag) << "not administrator";
  s.facts.isAdministrator = true;
  out = {};
  startScan(s, 0, {}, out);
  EXPECT_TRUE(out.find(EffectKind::StartScanThread)->flag);
  EXPECT_TRUE(s.scan.progress.mftScanInUse);
  EXPECT_EQ(narrow(scanButtonLabel(s, false)), "Cancel") << "a fast scan has no partial result";
  s.facts.policies.disableMftScan = 1;
  out = {};
  startScan(s, 0, {}, out);
  EXPECT_FALSE(out.find(EffectKind::StartScanThread)->flag);
}

TEST_F(ScanLifecycle, ImportEntryReadsItsFile) {
  s.drives[1].csvPath = u"C:\\exports\\Data (D).csv";
  Outcome out;
  startScan(s, 1, {}, out);
  ASSERT_TRUE(out.has(EffectKind::StartImportThread));
  EXPECT_EQ(out.find(EffectKind::StartImportThread)->text, u"C:\\exports\\Data (D).csv");
  EXPECT_EQ(s.scan.rootPath, u"D:\\");
  EXPECT_TRUE(s.scan.importing);
  EXPECT_FALSE(fastScanTipApplies(s));

  SampleTree sample;
  FinishedScan done{s.scan.generation, {&sample.tree(), false, 40, 5, ScanMethod::Walk, MftFailure::None}};
  out = {};
  takeOverScan(s, done, out);
  EXPECT_EQ(s.shown.source, TreeSource::Csv);
  EXPECT_EQ(s.shown.csvPath, u"C:\\exports\\Data (D).csv");
  s.shown.tree = nullptr;   // the sample owns it
}

TEST_F(ScanLifecycle, StopIsAskedOnce) {
  Outcome out;
  requestStop(s, out);
  EXPECT_TRUE(out.effects.empty()) << "no scan runs";
  startScan(s, 0, {}, out);
  out = {};
  requestStop(s, out);
  EXPECT_EQ(kinds(out), (std::vector<EffectKind>{EffectKind::RequestStop}));
  EXPECT_TRUE(s.scan.stopping);
  out = {};
  requestStop(s, out);
  EXPECT_TRUE(out.effects.empty());
}

TEST_F(ScanLifecycle, TakingOverTheFinishedTree) {
  Outcome out;
  startScan(s, 0, {}, out);
  SampleTree sample;
  FinishedScan late{s.scan.generation - 1, {&sample.tree(), false, 1, 1, ScanMethod::Walk, MftFailure::None}};
  out = {};
  takeOverScan(s, late, out);
  EXPECT_TRUE(out.effects.empty()) << "a superseded scan's message changes nothing";
  EXPECT_TRUE(s.scan.scanning);
  EXPECT_EQ(late.result.tree, &sample.tree());

  FinishedScan done{s.scan.generation, {&sample.tree(), false, 1200, 34, ScanMethod::Mft, MftFailure::NotNtfsVolume}};
  takeOverScan(s, done, out);
  EXPECT_FALSE(s.scan.scanning);
  EXPECT_EQ(s.shown.tree, &sample.tree());
  EXPECT_EQ(done.result.tree, nullptr) << "the window owns it now";
  EXPECT_EQ(s.shown.viewRoot, sample.root);
  EXPECT_EQ(s.shown.source, TreeSource::Mft);
  EXPECT_EQ(s.shown.scanMs, 1200);
  EXPECT_EQ(s.shown.aggregateMs, 34);
  EXPECT_EQ(s.shown.path, u"C:\\");
  EXPECT_EQ(s.shown.fallback, MftFailure::NotNtfsVolume);
  EXPECT_EQ(kinds(out), (std::vector<EffectKind>{EffectKind::StopScanTimer, EffectKind::ApplyFilters,
                                                 EffectKind::ReadMemoryCounters}));
  EXPECT_TRUE(out.relayout);
  s.shown.tree = nullptr;
}

TEST_F(ScanLifecycle, OutOfMemoryAndEmptyResults) {
  Outcome out;
  startScan(s, 0, {}, out);
  FinishedScan failed{s.scan.generation, {nullptr, true, 0, 0, ScanMethod::Walk, MftFailure::None}};
  out = {};
  takeOverScan(s, failed, out);
  EXPECT_EQ(s.notice.kind, NoticeKind::Error);
  EXPECT_EQ(narrow(s.notice.text), "Not enough memory to scan C:\\. The scan was stopped and its memory freed.");
  EXPECT_FALSE(hasTree(s));

  startScan(s, 0, {}, out);
  Tree* rootless = new Tree;
  initTree(*rootless);
  FinishedScan empty{s.scan.generation, {rootless, false, 0, 0, ScanMethod::Walk, MftFailure::None}};
  out = {};
  takeOverScan(s, empty, out);
  ASSERT_TRUE(out.has(EffectKind::FreeTree));
  EXPECT_EQ(out.find(EffectKind::FreeTree)->tree, rootless);
  EXPECT_FALSE(hasTree(s));
  freeTree(rootless);
}

TEST_F(ScanLifecycle, ContinueBringsTheFolderBack) {
  SampleTree sample;
  sample.tree().pendingFolderCount = 2;
  showTree(s, sample.tree(), sample.photos);
  Outcome out;
  continueScan(s, out);
  ASSERT_TRUE(out.has(EffectKind::StartContinueThread));
  const Effect& start = *out.find(EffectKind::StartContinueThread);
  EXPECT_EQ(start.tree, &sample.tree());
  EXPECT_EQ(start.text, u"C:\\");
  EXPECT_EQ(s.shown.tree, nullptr) << "the engine holds the tree now";
  EXPECT_TRUE(s.scan.continuing);
  EXPECT_EQ(s.scan.progress.done, 9);
  EXPECT_FALSE(fastScanTipApplies(s)) << "no tip while continuing";

  out = {};
  continueScan(s, out);
  EXPECT_TRUE(out.effects.empty()) << "a scan runs";

  sample.tree().pendingFolderCount = 0;
  FinishedScan done{s.scan.generation, {&sample.tree(), false, 300, 10, ScanMethod::Walk, MftFailure::None}};
  takeOverScan(s, done, out);
  EXPECT_EQ(s.shown.viewRoot, sample.photos);
  EXPECT_EQ(s.shown.focusNode, sample.photos);
  EXPECT_EQ(s.scan.restoreViewRoot, -1);
  s.shown.tree = nullptr;
}

}  // namespace
