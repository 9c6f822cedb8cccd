// The deletion review: opening and leaving it, its card's buttons, the deletion job
// as the window starts, follows and finishes it, and what the review changes in the
// window's painting and title.
//
// Threading: window thread. The job itself (ui/deletion_job.h) lives beside the
// ViewState; the deletion thread never sees the state.
//
// Sections: the review · the job · painting
#pragma once
#include "ui/deletion_job.h"
#include "ui/effects.h"
#include "ui/element_list.h"
#include "ui/view_state.h"
#include <string>

// --- The review ---------------------------------------------------------------------------
// The pill (24): only with marks and a tree, no scan, the review closed. The map then
// shows only the marked items, from their deepest common folder.
void openReview(ViewState& s, Outcome& out);
// "Back" (27), Esc, going up from the review's root, the last marks gone: the view
// returns to the folder shown before, or to the root when that folder is gone. Not
// while a deletion runs.
void leaveReview(ViewState& s, Outcome& out);
// The review closes because a scan starts: the tree is about to go, only the window's
// own changes are undone.
void closeReviewForScan(ViewState& s, Outcome& out);
// The card's main button (25): start a job (Recycle Bin over the marks, or delete the
// permanent candidates permanently).
void reviewMainButton(ViewState& s, Outcome& out);
// The card's second button (26): cancel a running job, else keep the permanent
// candidates marked, else clear the marks.
void reviewSecondButton(ViewState& s, Outcome& out);
// Esc or "Cancel" while a job runs: it stops before its next item.
void requestDeletionCancel(ViewState& s, Outcome& out);

// --- The job --------------------------------------------------------------------------------
// On StartDeletion: the job over state.review.jobNodes, filled on the window thread.
void prepareDeletionJob(const ViewState& s, DeletionJob& job);
// The job's progress as the deletion thread reports it (WM_DELETE_PROGRESS 0).
void deletionProgressed(ViewState& s, int64_t done);
// The job has ended and its thread was joined (WM_DELETE_PROGRESS 1). Deleted items
// leave the marks and the tree (sizes, counts and types follow, the map and lists are
// laid out again); failed ones stay marked with their reason; items whose drive has
// no Recycle Bin wait for the permanent question; items not reached stay marked.
void finishDeletion(ViewState& s, const DeletionJob& job, ErrorTextFunction errorText, Outcome& out);
// A job cancelled and joined without finishing (a scan starts): what it deleted still
// goes from `tree`.
void cutDeletedItems(Tree& tree, const DeletionJob& job);
// The reason an item failed: the check's finding, or the system's text of its code.
std::u16string itemOutcomeText(const ItemOutcome& outcome, ErrorTextFunction errorText);

// --- Painting -------------------------------------------------------------------------------
// What the review changes in the picture: the sidebar, the filter fields (their texts
// drawn plainly beneath) and the tab row are covered by the background at
// `dimOpacity`; the content panel gets a 2-DIP amber outline; the path bar's first
// segment, "Marked for deletion", is amber with U+E74D.
struct ReviewPaint {
  bool dimSidebar = false;
  bool dimFilterFields = false;
  bool dimTabs = false;
  bool amberOutline = false;
  bool amberFirstSegment = false;
  float dimOpacity = 0.55f;
};
ReviewPaint reviewPaint(const ViewState& s);
// "Marked for deletion - Mossbloom" in the review, else "Mossbloom".
std::u16string windowTitle(const ViewState& s);
