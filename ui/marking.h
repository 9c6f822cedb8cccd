// Marking files and folders for deletion, as the window sees it: the one entry every
// marking command ends in (menus, the Delete key, the lists, dragging), unmarking in
// the review, clearing, marking whole types, the protected nodes, the totals and
// weights that follow the marks, and a node's deletion error.
//
// Threading: window thread. Nothing here touches a file: marks are a selection.
//
// Sections: questions · commands · after a change
#pragma once
#include "ui/effects.h"
#include "ui/view_state.h"
#include <string>
#include <string_view>
#include <vector>

// --- Questions -------------------------------------------------------------------------
// The shown tree's protected flags (ui/protected_paths.h), computed again when the
// tree or its node count changed or the policies were reloaded.
const std::vector<uint8_t>& protectedFlagsOf(ViewState& s);
bool nodeProtected(ViewState& s, int32_t node);
bool hasMarks(const ViewState& s);
// The node lies in a marked subtree.
bool nodeMarked(const ViewState& s, int32_t node);

// The files of one type below the view root, as the Extensions list counts them:
// the extension lower-cased, "" for files without one (or ending in a dot), never
// one longer than 16 units; while weights are in use, what weighs nothing is passed
// over (filtered out, or marked already).
std::vector<int32_t> filesOfType(const ViewState& s, std::u16string_view extension);

// --- Commands ----------------------------------------------------------------------------
// Marks each node (negative ones are passed over) unless it is protected; protected
// ones are counted into the "left out" text, which is cleared when there are none.
// Only while marking is allowed (a tree, deletion not disabled, no scan or deletion).
void markNodes(ViewState& s, const std::vector<int32_t>& nodes, Outcome& out);
// In the review, while no deletion runs: `node` no longer counts, the rest of the
// marked subtree holding it stays marked.
void unmarkNode(ViewState& s, int32_t node, Outcome& out);
// The Delete key on a cell: marks outside the review, unmarks in it.
void markOrUnmark(ViewState& s, int32_t node, Outcome& out);
// "Clear marks": not while a deletion runs; in the review it leaves the review.
void clearAllMarks(ViewState& s, Outcome& out);
// The policies were read again: the protected flags are stale, and marks go when
// deletion is now disabled (a running deletion is asked to stop).
void policiesReloaded(ViewState& s, Outcome& out);

// --- After a change --------------------------------------------------------------------------
// The marks changed. In the review without marks the review closes; otherwise the
// totals, the review root and the weights are applied again, in the review the view
// root stays only while it still shows marks below the review root, and an animated
// map runs the marks transition: `vanish` when marked cells go, else `appearing`'s
// cells come.
void marksChanged(ViewState& s, bool vanish, std::vector<int32_t> appearing, Outcome& out);
// The marks' part of every filter application: marks cut out of the tree go, then the
// totals in the current size mode, the review root and the permanent candidates' size.
void refreshMarkTotals(ViewState& s);

// What applyFilter (engine/filter.h) takes for the marks: one flag per node of the
// shown tree (null without marks) and whether only marked subtrees count (the review).
struct MarkWeighting {
  const uint8_t* flags = nullptr;
  bool onlyMarked = false;
};
MarkWeighting markWeighting(ViewState& s);
