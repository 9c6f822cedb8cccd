#include "ui/marking.h"

#include "engine/cut_out.h"
#include "ui/commands.h"
#include "ui/review.h"
#include "ui/review_text.h"
#include "ui/status_text.h"
#include "ui/view_rules.h"
#include "ui_fixture.h"

namespace {

using Nodes = std::vector<int32_t>;

std::u16string errorTextForTest(uint32_t code) { return u"error " + utf16FromUtf8(std::to_string(code)); }

// The sample tree (C:\Users\me\photos\a.jpg 4000, b.jpg 3000; Users\me\doc.txt 1000;
// big.iso 10000, tiny.txt 10, empty\) shown at its root.
class Marking : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    s.shown.viewRoot = sample.root;
  }
  Outcome mark(Nodes nodes) {
    Outcome out;
    markNodes(s, nodes, out);
    return out;
  }
  Outcome unmark(int32_t node) {
    Outcome out;
    unmarkNode(s, node, out);
    return out;
  }
  Outcome run(ElementId id) { return invokeElement(s, layout, {id, -1}); }
  // A job as the deletion thread would leave it, its outcomes given per item.
  void finishJob(const std::vector<ItemOutcome>& outcomes, Outcome& out) {
    DeletionJob job;
    prepareDeletionJob(s, job);
    for (size_t i = 0; i < outcomes.size() && i < job.outcomes.size(); i++) job.outcomes[i] = outcomes[i];
    job.progress.store(static_cast<int64_t>(outcomes.size()));
    finishDeletion(s, job, errorTextForTest, out);
  }
};

TEST_F(Marking, MarkingFollowsTheSetsRulesAndTheTotalsFollowTheMarks) {
  Outcome out = mark({sample.a, sample.b});
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters));
  EXPECT_EQ(s.marks.itemCount, 2);
  EXPECT_EQ(s.marks.bytes, 7000);
  EXPECT_TRUE(out.relayout) << "the pill appears";
  out = mark({sample.photos});
  EXPECT_EQ(s.marks.set.nodes, Nodes{sample.photos}) << "the folder takes its files' place";
  EXPECT_EQ(s.marks.itemCount, 3) << "the folder itself counts";
  EXPECT_EQ(s.marks.bytes, 7000);
  out = mark({sample.a});
  EXPECT_FALSE(out.has(EffectKind::ApplyFilters)) << "inside a marked folder nothing changes";
  mark({sample.tiny, -1});
  EXPECT_EQ(s.marks.itemCount, 4);
  EXPECT_EQ(s.marks.bytes, 7010);
  EXPECT_EQ(narrow(marksPillText(s)), "4 items · 7.0 kB");
  EXPECT_TRUE(nodeMarked(s, sample.b));
  EXPECT_FALSE(nodeMarked(s, sample.doc));
  EXPECT_EQ(markWeighting(s).flags[sample.photos], 1);
  EXPECT_FALSE(markWeighting(s).onlyMarked);
}

TEST_F(Marking, SystemFoldersAreLeftOutAndCounted) {
  s.facts.protectedFolders = {u"C:\\Users\\me\\photos"};
  Outcome out = mark({sample.root, sample.a, sample.photos, sample.big});
  EXPECT_EQ(s.marks.set.nodes, Nodes{sample.big});
  EXPECT_EQ(narrow(s.marks.leftOutText), "3 items in system folders were left out");
  const Effect* alert = out.find(EffectKind::RaiseAlert);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->element, (ElementRef{ElementId::ReadOnlyText, kLeftOutText}));
  mark({sample.users});
  EXPECT_EQ(narrow(s.marks.leftOutText), "1 item in system folders was left out") << "on the way to a protected folder";
  mark({sample.doc});
  EXPECT_TRUE(s.marks.leftOutText.empty()) << "a marking without protected items clears the text";
  EXPECT_EQ(s.marks.set.nodes, (Nodes{sample.big, sample.doc}));
  // The policy's folders count as well, once the flags are computed again.
  s.facts.policies.protectedPaths = {u"C:\\empty"};
  out = {};
  policiesReloaded(s, out);
  mark({sample.empty});
  EXPECT_EQ(narrow(s.marks.leftOutText), "1 item in system folders was left out");
}

TEST_F(Marking, NothingIsMarkedWhileMarkingIsNotAllowed) {
  struct Case {
    const char* what;
    void (*set)(ViewState&);
  } cases[] = {
      {"deletion disabled by policy", [](ViewState& v) { v.facts.policies.disableDelete = true; }},
      {"a scan runs", [](ViewState& v) { v.scan.scanning = true; }},
      {"a deletion runs", [](ViewState& v) { v.review.deletionRunning = true; }},
      {"no tree", [](ViewState& v) { v.shown.tree = nullptr; }},
  };
  for (const Case& c : cases) {
    ViewState saved = s;
    c.set(s);
    Outcome out = mark({sample.big});
    EXPECT_TRUE(s.marks.set.nodes.empty()) << c.what;
    EXPECT_TRUE(out.effects.empty()) << c.what;
    s = saved;
  }
}

TEST_F(Marking, DisablingDeletionByPolicyClearsTheMarks) {
  mark({sample.big, sample.photos});
  s.facts.policies.disableDelete = true;
  Outcome out;
  policiesReloaded(s, out);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_FALSE(marksPillShown(s));
  // While a deletion runs it is asked to stop; its end clears the marks.
  s.facts.policies.disableDelete = false;
  mark({sample.big, sample.tiny});
  run(ElementId::MarksPill);
  run(ElementId::ReviewMain);
  ASSERT_TRUE(s.review.deletionRunning);
  s.facts.policies.disableDelete = true;
  out = {};
  policiesReloaded(s, out);
  EXPECT_TRUE(out.has(EffectKind::RequestDeletionCancel));
  out = {};
  finishJob({{kItemDeleted, 0, ItemChange::None}}, out);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_FALSE(s.review.open);
}

TEST_F(Marking, WholeTypesBelowTheViewRoot) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t a = t.file(root, u"A.JPG", 10);
  int32_t folder = t.folder(root, u"x.jpg");   // a folder is no file of the type
  int32_t b = t.file(folder, u"b.jpg", 10);
  int32_t plain = t.file(root, u"README", 10);
  int32_t dotted = t.file(root, u"name.", 10);
  int32_t other = t.file(root, u"c.png", 10);
  finalizeTree(t.tree);
  showTree(s, t.tree);
  auto sorted = [](Nodes n) {
    std::sort(n.begin(), n.end());
    return n;
  };
  EXPECT_EQ(sorted(filesOfType(s, u"jpg")), sorted({a, b}));
  EXPECT_EQ(sorted(filesOfType(s, u"JPG")), sorted({a, b}));
  EXPECT_EQ(sorted(filesOfType(s, u"")), sorted({plain, dotted})) << "the no-extension type";
  EXPECT_EQ(filesOfType(s, u"png"), Nodes{other});
  EXPECT_TRUE(filesOfType(s, u"abcdefghijklmnopq").empty()) << "longer than any type";
  s.shown.viewRoot = folder;
  EXPECT_EQ(filesOfType(s, u"jpg"), Nodes{b});
  // What weighs nothing (filtered out or marked) is passed over.
  s.shown.viewRoot = root;
  std::vector<float> weights(static_cast<size_t>(t.tree.nodeCount), 1.0f);
  weights[a] = 0;
  s.shown.weights = weights.data();
  s.shown.weightCount = weights.size();
  s.shown.weightsInUse = true;
  EXPECT_EQ(filesOfType(s, u"jpg"), Nodes{b});
  s.shown.tree = &sample.tree();   // the fixture's tree outlives `t`
  s.shown.weightsInUse = false;
  s.shown.weights = nullptr;
}

TEST_F(Marking, TheReviewOpensOnTheMarksAndLeavesToTheFolderShownBefore) {
  s.shown.viewRoot = sample.users;
  s.currentView = MainView::Files;
  s.addressShown = true;
  mark({sample.a, sample.doc});
  Outcome out = run(ElementId::MarksPill);
  EXPECT_TRUE(s.review.open);
  EXPECT_EQ(s.review.root, sample.me);
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  EXPECT_EQ(s.currentView, MainView::Map);
  EXPECT_FALSE(s.addressShown);
  EXPECT_TRUE(out.has(EffectKind::HideAddressEdit));
  EXPECT_FALSE(out.find(EffectKind::ShowFilterEdits)->flag);
  EXPECT_EQ(narrow(out.find(EffectKind::SetWindowTitle)->text), "Marked for deletion - Mossbloom");
  EXPECT_TRUE(markWeighting(s).onlyMarked);
  ReviewPaint paint = reviewPaint(s);
  EXPECT_TRUE(paint.dimSidebar && paint.dimTabs && paint.amberOutline && paint.amberFirstSegment);
  EXPECT_TRUE(run(ElementId::MarksPill).effects.empty()) << "already open";

  out = run(ElementId::ReviewBack);
  EXPECT_FALSE(s.review.open);
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_EQ(s.currentView, MainView::Files) << "the list shown before comes back";
  EXPECT_EQ(out.find(EffectKind::ShowLists)->number, static_cast<int32_t>(MainView::Files));
  EXPECT_EQ(narrow(out.find(EffectKind::SetWindowTitle)->text), "Mossbloom");
  EXPECT_EQ(s.marks.set.nodes, (Nodes{sample.a, sample.doc})) << "leaving keeps the marks";
  EXPECT_FALSE(reviewPaint(s).dimSidebar);
}

TEST_F(Marking, UnmarkingInTheReviewKeepsTheRestOfTheFolder) {
  mark({sample.photos});
  run(ElementId::MarksPill);
  ASSERT_EQ(s.shown.viewRoot, sample.photos);
  unmark(sample.a);
  EXPECT_EQ(s.marks.set.nodes, Nodes{sample.b});
  EXPECT_EQ(s.marks.itemCount, 1);
  EXPECT_EQ(s.marks.bytes, 3000);
  EXPECT_EQ(s.review.root, sample.b);
  EXPECT_TRUE(s.review.open);
  // The Delete key in the review unmarks too; the last mark gone, the review closes.
  Outcome out;
  markOrUnmark(s, sample.b, out);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_FALSE(s.review.open);
}

TEST_F(Marking, ClearingMarks) {
  mark({sample.big});
  Outcome out;
  clearAllMarks(s, out);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_TRUE(out.has(EffectKind::ApplyFilters));
  mark({sample.big});
  run(ElementId::MarksPill);
  run(ElementId::ReviewSecond);   // "Clear marks" on the card
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_FALSE(s.review.open);
}

TEST_F(Marking, CardTextsInTheirFourStates) {
  mark({sample.photos, sample.tiny});
  run(ElementId::MarksPill);
  ReviewCardText card = reviewCardText(s);
  EXPECT_EQ(narrow(card.text), "Marked for deletion · 4 items · 7.0 kB · freed once the Recycle Bin is emptied");
  EXPECT_EQ(narrow(card.mainButton), "Move to Recycle Bin");
  EXPECT_EQ(narrow(card.secondButton), "Clear marks");
  EXPECT_TRUE(card.backShown);

  run(ElementId::ReviewMain);
  s.review.deletionDone = 1;
  card = reviewCardText(s);
  EXPECT_EQ(narrow(card.text), "Moving to the Recycle Bin · 1 of 2");
  EXPECT_TRUE(card.mainButton.empty());
  EXPECT_EQ(narrow(card.secondButton), "Cancel");
  EXPECT_FALSE(card.backShown);

  Outcome out;
  finishJob({{kItemNoRecycleBin, 0, ItemChange::None}, {kItemNoRecycleBin, 0, ItemChange::None}}, out);
  card = reviewCardText(s);
  EXPECT_EQ(narrow(card.text), "2 items (7.0 kB) cannot go to the Recycle Bin on their drive. Delete them permanently?");
  EXPECT_EQ(narrow(card.mainButton), "Delete permanently");
  EXPECT_EQ(narrow(card.secondButton), "Keep them");
  EXPECT_FALSE(card.backShown);

  run(ElementId::ReviewSecond);   // "Keep them"
  EXPECT_EQ(s.marks.set.nodes, (Nodes{sample.photos, sample.tiny})) << "they stay marked";
  EXPECT_EQ(narrow(reviewCardText(s).mainButton), "Move to Recycle Bin") << "the card is back to normal";

  run(ElementId::ReviewMain);
  out = {};
  finishJob({{kItemFailed, 32, ItemChange::None}, {kItemDeleted, 0, ItemChange::None}}, out);
  card = reviewCardText(s);
  EXPECT_EQ(narrow(card.text), "1 item could not be deleted. Point at it for the reason.");
  EXPECT_EQ(narrow(card.mainButton), "Retry");
  EXPECT_EQ(narrow(card.secondButton), "Clear marks");
  EXPECT_TRUE(card.backShown);
}

TEST_F(Marking, FinishingCutsDeletedItemsOutAndSizesFollowUpTheChain) {
  s.shown.viewRoot = sample.users;
  mark({sample.b, sample.doc, sample.big, sample.tiny});
  run(ElementId::MarksPill);
  run(ElementId::ReviewMain);
  ASSERT_EQ(s.review.jobNodes, (Nodes{sample.b, sample.doc, sample.big, sample.tiny}));
  const int64_t rootBefore = logicalSize(sample.tree(), sample.root);
  const int64_t filesBefore = sample.tree().fileCount;
  Outcome out;
  // b.jpg and big.iso go; doc.txt fails; tiny.txt is not reached (cancelled).
  finishJob({{kItemDeleted, 0, ItemChange::None},
             {kItemFailed, 0, ItemChange::BecameLink},
             {kItemDeleted, 0, ItemChange::None}},
            out);
  const Tree& tree = sample.tree();
  EXPECT_FALSE(s.review.deletionRunning);
  EXPECT_FALSE(isAttached(tree, sample.b));
  EXPECT_FALSE(isAttached(tree, sample.big));
  EXPECT_EQ(logicalSize(tree, sample.photos), 4000);
  EXPECT_EQ(logicalSize(tree, sample.me), 5000);
  EXPECT_EQ(logicalSize(tree, sample.users), 5000);
  EXPECT_EQ(logicalSize(tree, sample.root), rootBefore - 13000);
  EXPECT_EQ(tree.fileCount, filesBefore - 2);
  EXPECT_EQ(s.marks.set.nodes, (Nodes{sample.doc, sample.tiny})) << "the failed and the unreached stay marked";
  EXPECT_EQ(s.marks.bytes, 1010);
  EXPECT_TRUE(s.mapStale);
  ASSERT_EQ(s.review.failures.size(), 1u);
  EXPECT_EQ(narrow(s.review.failures[0].message),
            "Not deleted: since the scan it has been replaced by a link, junction or mount point that leads somewhere else.");
  // The reason shows where the item is pointed at.
  EXPECT_EQ(deletionErrorOf(s, sample.doc), s.review.failures[0].message);
  EXPECT_EQ(hoverLine(s, sample.doc).failure, s.review.failures[0].message);
  EXPECT_TRUE(deletionErrorOf(s, sample.tiny).empty());

  // Retry over the marks left: both go, the review closes on the folder shown before.
  run(ElementId::ReviewMain);
  EXPECT_EQ(s.review.jobNodes, (Nodes{sample.doc, sample.tiny}));
  EXPECT_TRUE(s.review.failures.empty());
  out = {};
  finishJob({{kItemDeleted, 0, ItemChange::None}, {kItemDeleted, 0, ItemChange::None}}, out);
  EXPECT_FALSE(s.review.open);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_EQ(logicalSize(tree, sample.users), 4000);
}

TEST_F(Marking, AfterTheLastDeletionAGoneFolderGivesWayToTheRoot) {
  s.shown.viewRoot = sample.photos;
  mark({sample.me});
  run(ElementId::MarksPill);
  run(ElementId::ReviewMain);
  Outcome out;
  finishJob({{kItemDeleted, 0, ItemChange::None}}, out);
  EXPECT_FALSE(s.review.open);
  EXPECT_EQ(s.shown.viewRoot, sample.root) << "the folder shown before was deleted";
  EXPECT_EQ(logicalSize(sample.tree(), sample.users), 0);
}

TEST_F(Marking, FailureMessagesFromTheSystemAndWithoutText) {
  mark({sample.photos, sample.big});
  run(ElementId::MarksPill);
  run(ElementId::ReviewMain);
  Outcome out;
  finishJob({{kItemFailed, 32, ItemChange::None}, {kItemFailed, 0, ItemChange::None}}, out);
  EXPECT_EQ(narrow(deletionErrorOf(s, sample.a)), "error 32") << "a file inside a failed folder shows its reason";
  EXPECT_EQ(narrow(deletionErrorOf(s, sample.big)), "?");
  EXPECT_TRUE(deletionErrorOf(s, sample.doc).empty());
  struct Case {
    ItemChange change;
    const char* text;
  } cases[] = {
      {ItemChange::LinkReplaced, "Not deleted: it was a link in the scan and is now a real file or folder."},
      {ItemChange::FolderBecameFile, "Not deleted: it was a folder in the scan and is now a file."},
      {ItemChange::FileBecameFolder, "Not deleted: it was a file in the scan and is now a folder."},
      {ItemChange::FolderOnPath, "Not deleted: a folder on its path is no longer the folder that was scanned."},
      {ItemChange::ChangedWhileDeleting, "Not deleted: something else took its place while it was being deleted."},
  };
  for (const Case& c : cases) EXPECT_EQ(narrow(itemOutcomeText({kItemFailed, 0, c.change}, errorTextForTest)), c.text);
}

TEST_F(Marking, WhileADeletionRunsMarksStayAsTheyAre) {
  mark({sample.photos});
  run(ElementId::MarksPill);
  run(ElementId::ReviewMain);
  Outcome out;
  unmarkNode(s, sample.a, out);
  clearAllMarks(s, out);
  markNodes(s, {sample.big}, out);
  EXPECT_EQ(s.marks.set.nodes, Nodes{sample.photos});
  EXPECT_TRUE(s.review.open);
  out = run(ElementId::ReviewMain);
  EXPECT_FALSE(out.has(EffectKind::StartDeletion)) << "one job at a time";
  deletionProgressed(s, 1);
  EXPECT_EQ(s.review.deletionDone, 1);
}

// An export reads the tree on its own thread while a finished deletion cuts it: never both.
TEST_F(Marking, ExportAndDeletionNeverRunTogether) {
  mark({sample.photos});
  run(ElementId::MarksPill);
  s.exporting.running = true;
  EXPECT_FALSE(run(ElementId::ReviewMain).has(EffectKind::StartDeletion)) << "no deletion while exporting";
  EXPECT_FALSE(s.review.deletionRunning);
  s.exporting.running = false;
  EXPECT_TRUE(run(ElementId::ReviewMain).has(EffectKind::StartDeletion));
  EXPECT_FALSE(exportEnabled(s)) << "no export while deleting";
}

}  // namespace

namespace {

// The marks transition starts from the map as it was drawn: only when that picture is
// current, and never while a resize or a zoom changes it.
TEST_F(Marking, MarksTransitionOnlyFromACurrentMap) {
  const struct {
    void (*change)(ViewState&);
    bool transition;
    const char* what;
  } cases[] = {
      {[](ViewState&) {}, true, "a current map"},
      {[](ViewState& v) { v.mapStale = true; }, false, "a stale map"},
      {[](ViewState& v) { v.resizing = true; }, false, "a live resize"},
      {[](ViewState& v) { v.zoomRunning = true; }, false, "a zoom transition"},
      {[](ViewState& v) { v.facts.animationsOn = false; }, false, "animations off"},
  };
  for (const auto& c : cases) {
    SetUp();
    s.marks = {};
    s.mapStale = false;
    c.change(s);
    Outcome out = mark({sample.big});
    const Effect* e = out.find(EffectKind::MarksTransition);
    EXPECT_EQ(e != nullptr, c.transition) << c.what;
    if (e) {
      EXPECT_TRUE(e->flag) << "marked cells vanish";
    }
    EXPECT_TRUE(s.mapStale) << c.what << ": the map is laid out again either way";
  }
}

}  // namespace
