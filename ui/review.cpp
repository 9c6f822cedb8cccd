#include "ui/review.h"

#include "config/language.h"
#include "engine/cut_out.h"
#include "ui/marking.h"
#include "ui/view_rules.h"
#include <algorithm>

namespace {

void setTitle(const ViewState& s, Outcome& out) { out.add(EffectKind::SetWindowTitle).text = windowTitle(s); }

// The review's own changes to the window, undone: the filter edits, the title, the
// view that was current before it.
void undoReviewChrome(ViewState& s, Outcome& out) {
  out.add(EffectKind::ShowFilterEdits).flag = true;
  setTitle(s, out);
  if (s.review.savedView != MainView::Map && s.currentView != s.review.savedView) {
    s.currentView = s.review.savedView;
    out.add(EffectKind::ShowLists).number = static_cast<int32_t>(s.currentView);
  }
}

void startJob(ViewState& s, Outcome& out) {
  ReviewView& r = s.review;
  // An export reads the tree on its own thread, and a finished deletion cuts entries
  // out of it: the two never run together.
  if (r.deletionRunning || !hasTree(s) || s.scan.scanning || s.exporting.running || s.facts.policies.disableDelete)
    return;
  r.jobPermanent = !r.permanent.empty();
  r.jobNodes = r.jobPermanent ? r.permanent : s.marks.set.nodes;
  if (r.jobNodes.empty()) return;
  r.permanent.clear();
  r.permanentBytes = 0;
  r.failures.clear();
  r.deletionRunning = true;
  r.cancelRequested = false;
  r.deletionDone = 0;
  r.deletionTotal = static_cast<int64_t>(r.jobNodes.size());
  out.add(EffectKind::StartDeletion).flag = r.jobPermanent;
  out.relayout = true;   // the card's buttons change
  out.repaint = true;
}

}  // namespace

// --- The review ---------------------------------------------------------------------------
void openReview(ViewState& s, Outcome& out) {
  ReviewView& r = s.review;
  if (r.open || !hasMarks(s) || !hasTree(s) || s.scan.scanning) return;
  if (s.addressShown) {
    s.addressShown = false;
    out.add(EffectKind::HideAddressEdit);
  }
  out.add(EffectKind::HideSuggestions);
  r.savedViewRoot = s.shown.viewRoot;
  r.savedView = s.currentView;
  if (s.currentView != MainView::Map) {
    s.currentView = MainView::Map;
    out.add(EffectKind::ShowLists).number = static_cast<int32_t>(MainView::Map);
  }
  r.open = true;
  r.failures.clear();
  r.permanent.clear();
  refreshMarkTotals(s);
  out.add(EffectKind::ApplyFilters);
  s.shown.viewRoot = r.root;
  s.shown.focusNode = -1;
  s.hoverCell = -1;
  s.mapStale = true;
  out.add(EffectKind::ShowFilterEdits).flag = false;
  setTitle(s, out);
  s.focus = {ElementId::Map, -1};
  s.windowHasFocus = true;
  out.add(EffectKind::FocusMainWindow);
  out.relayout = true;
  out.repaint = true;
}

void leaveReview(ViewState& s, Outcome& out) {
  ReviewView& r = s.review;
  if (!r.open || r.deletionRunning) return;
  r.open = false;
  r.failures.clear();
  r.permanent.clear();
  r.permanentBytes = 0;
  if (hasTree(s)) {
    const Tree& tree = *s.shown.tree;
    s.shown.viewRoot = isAttached(tree, r.savedViewRoot) ? r.savedViewRoot : tree.rootIndex;
  }
  refreshMarkTotals(s);
  out.add(EffectKind::ApplyFilters);
  s.hoverCell = -1;
  s.mapStale = true;
  undoReviewChrome(s, out);
  out.relayout = true;
  out.repaint = true;
}

void closeReviewForScan(ViewState& s, Outcome& out) {
  if (!s.review.open) return;
  s.review.open = false;
  undoReviewChrome(s, out);
  s.review = {};
  out.relayout = true;
}

void reviewMainButton(ViewState& s, Outcome& out) {
  if (s.review.open) startJob(s, out);
}

void reviewSecondButton(ViewState& s, Outcome& out) {
  ReviewView& r = s.review;
  if (!r.open) return;
  if (r.deletionRunning) {
    requestDeletionCancel(s, out);
  } else if (!r.permanent.empty()) {
    r.permanent.clear();   // "Keep them": they stay marked
    r.permanentBytes = 0;
    out.relayout = true;
    out.repaint = true;
  } else {
    clearAllMarks(s, out);
  }
}

void requestDeletionCancel(ViewState& s, Outcome& out) {
  if (!s.review.deletionRunning || s.review.cancelRequested) return;
  s.review.cancelRequested = true;
  out.add(EffectKind::RequestDeletionCancel);
  out.repaint = true;
}

// --- The job --------------------------------------------------------------------------------
void prepareDeletionJob(const ViewState& s, DeletionJob& job) {
  if (!hasTree(s)) return;
  fillDeletionJob(job, *s.shown.tree, s.review.jobPermanent ? DeletionMode::Permanent : DeletionMode::RecycleBin,
                  s.review.jobNodes);
}

void deletionProgressed(ViewState& s, int64_t done) {
  if (s.review.deletionRunning) s.review.deletionDone = done;
}

std::u16string itemOutcomeText(const ItemOutcome& outcome, ErrorTextFunction errorText) {
  switch (outcome.change) {
    case ItemChange::BecameLink: return std::u16string(text(Text::NotDeletedSinceTheScanIt));
    case ItemChange::LinkReplaced: return std::u16string(text(Text::NotDeletedItWasALink));
    case ItemChange::FolderBecameFile: return std::u16string(text(Text::NotDeletedItWasAFolder));
    case ItemChange::FileBecameFolder: return std::u16string(text(Text::NotDeletedItWasAFile));
    case ItemChange::FolderOnPath: return std::u16string(text(Text::NotDeletedAFolderOnIts));
    case ItemChange::ChangedWhileDeleting: return std::u16string(text(Text::NotDeletedSomethingElseTookIts));
    case ItemChange::None: break;
  }
  return outcome.code && errorText ? errorText(outcome.code) : std::u16string();
}

void cutDeletedItems(Tree& tree, const DeletionJob& job) { cutOutOfTree(tree, deletedNodes(job)); }

void finishDeletion(ViewState& s, const DeletionJob& job, ErrorTextFunction errorText, Outcome& out) {
  ReviewView& r = s.review;
  if (!r.deletionRunning) return;
  r.deletionRunning = false;
  r.cancelRequested = false;
  r.deletionDone = job.progress.load();
  if (!hasTree(s)) return;
  std::vector<int32_t> deleted;
  const size_t count = std::min(job.nodes.size(), job.outcomes.size());
  for (size_t i = 0; i < count; i++) {
    const ItemOutcome& outcome = job.outcomes[i];
    const int32_t node = job.nodes[i];
    if (outcome.result == kItemFailed) r.failures.push_back({node, itemOutcomeText(outcome, errorText)});
    else if (outcome.result == kItemDeleted) deleted.push_back(node);
    else if (outcome.result == kItemNoRecycleBin) r.permanent.push_back(node);
  }
  removeMarks(s.marks.set, deleted);
  if (!deleted.empty()) {
    cutOutOfTree(*s.shown.tree, deleted);
    s.mapStale = true;
    s.hoverCell = -1;
  }
  // Deletion was turned off by policy while the job ran: the marks go now.
  if (s.facts.policies.disableDelete) clearMarks(s.marks.set);
  if (hasMarks(s)) {
    marksChanged(s, true, {}, out);
  } else {
    leaveReview(s, out);
  }
  out.relayout = true;
  out.repaint = true;
}

// --- Painting -------------------------------------------------------------------------------
ReviewPaint reviewPaint(const ViewState& s) {
  ReviewPaint paint;
  const bool open = s.review.open;
  paint.dimSidebar = paint.dimFilterFields = paint.dimTabs = open;
  paint.amberOutline = open;
  paint.amberFirstSegment = open && isValidNode(s, s.review.root);
  return paint;
}

std::u16string windowTitle(const ViewState& s) {
  if (!s.review.open) return std::u16string(text(Text::Mossbloom));
  return std::u16string(text(Text::MarkedForDeletion)) + u" - " + std::u16string(text(Text::Mossbloom));
}
