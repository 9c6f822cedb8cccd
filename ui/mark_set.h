// The marks: the files and folders chosen for deletion, kept as node indices of one
// tree in marking order with one flag byte per node. No marked node ever has a
// marked ancestor, so every marked subtree is counted, shown and deleted once.
// Marks are only a selection in memory; nothing here touches a file.
//
// Threading: window thread (a MarkSet lives in the ViewState).
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <vector>

struct MarkSet {
  std::vector<int32_t> nodes;     // marking order
  std::vector<uint8_t> flags;     // 1 = marked; grown on demand, may be shorter than the tree
};

bool isMarked(const MarkSet& marks, int32_t node);
// The node itself or its nearest marked ancestor; -1 when neither is marked.
int32_t markedAncestorOrSelf(const Tree& tree, const MarkSet& marks, int32_t node);

// Marks `node` unless it or an ancestor is marked already; a folder first takes the
// place of the marks below it. Nodes outside the tree or cut out of it are refused.
// True when the set changed.
bool addMark(const Tree& tree, MarkSet& marks, int32_t node);
// Unmarks the nodes given (those not marked are passed over), keeping the order of
// the rest. True when the set changed.
bool removeMarks(MarkSet& marks, const std::vector<int32_t>& nodes);
// Leaves everything its nearest marked ancestor-or-self held marked except `node`
// itself: that mark goes, and the siblings of each step from `node` up to it are
// marked instead. Nothing happens when no mark covers `node`. True when it changed.
bool unmarkWithin(const Tree& tree, MarkSet& marks, int32_t node);
void clearMarks(MarkSet& marks);
// Drops marks whose node no longer belongs to the tree (cut out by a deletion).
bool dropDetachedMarks(const Tree& tree, MarkSet& marks);

// Items: every node in the marked subtrees, the marked nodes included. Bytes: the
// files' sizes in them, logical or on disk.
struct MarkTotals {
  int64_t items = 0;
  int64_t bytes = 0;
};
MarkTotals markTotals(const Tree& tree, const std::vector<int32_t>& nodes, bool onDisk);

// The deepest node that is an ancestor-or-self of every marked node: the tree's root
// when they share no deeper one, -1 without marks.
int32_t commonAncestor(const Tree& tree, const std::vector<int32_t>& nodes);
// Whether `node` lies at or below `ancestor`.
bool isAtOrBelow(const Tree& tree, int32_t node, int32_t ancestor);
