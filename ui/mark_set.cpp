#include "ui/mark_set.h"

#include "engine/cut_out.h"
#include <algorithm>

namespace {

bool inTree(const Tree& tree, int32_t node) { return node >= 0 && node < tree.nodeCount; }

void setFlag(MarkSet& marks, int32_t node, uint8_t value) {
  if (static_cast<size_t>(node) >= marks.flags.size()) {
    if (!value) return;
    marks.flags.resize(static_cast<size_t>(node) + 1, 0);
  }
  marks.flags[node] = value;
}

void append(MarkSet& marks, int32_t node) {
  setFlag(marks, node, 1);
  marks.nodes.push_back(node);
}

}  // namespace

bool isMarked(const MarkSet& marks, int32_t node) {
  return node >= 0 && static_cast<size_t>(node) < marks.flags.size() && marks.flags[node] != 0;
}

bool isAtOrBelow(const Tree& tree, int32_t node, int32_t ancestor) {
  if (!inTree(tree, ancestor)) return false;
  for (int32_t n = node; inTree(tree, n); n = tree.node(n).parent)
    if (n == ancestor) return true;
  return false;
}

int32_t markedAncestorOrSelf(const Tree& tree, const MarkSet& marks, int32_t node) {
  if (marks.nodes.empty()) return -1;
  for (int32_t n = node; inTree(tree, n); n = tree.node(n).parent)
    if (isMarked(marks, n)) return n;
  return -1;
}

bool addMark(const Tree& tree, MarkSet& marks, int32_t node) {
  if (!isAttached(tree, node) || markedAncestorOrSelf(tree, marks, node) >= 0) return false;
  if ((tree.node(node).flags & kNodeFolder) && !marks.nodes.empty()) {
    std::vector<int32_t> below;
    for (int32_t m : marks.nodes)
      if (isAtOrBelow(tree, m, node)) below.push_back(m);
    removeMarks(marks, below);
  }
  append(marks, node);
  return true;
}

bool removeMarks(MarkSet& marks, const std::vector<int32_t>& nodes) {
  bool changed = false;
  for (int32_t node : nodes) {
    if (!isMarked(marks, node)) continue;
    marks.flags[node] = 0;
    changed = true;
  }
  // One pass over the order, however many marks go.
  if (changed) std::erase_if(marks.nodes, [&](int32_t n) { return !isMarked(marks, n); });
  return changed;
}

bool unmarkWithin(const Tree& tree, MarkSet& marks, int32_t node) {
  const int32_t holder = markedAncestorOrSelf(tree, marks, node);
  if (holder < 0) return false;
  removeMarks(marks, {holder});
  for (int32_t step = node; step != holder; step = tree.node(step).parent) {
    int32_t parent = tree.node(step).parent;
    for (int32_t c = tree.node(parent).firstChild; c != kNoNode; c = tree.node(c).nextSibling)
      if (c != step) append(marks, c);
  }
  return true;
}

void clearMarks(MarkSet& marks) {
  marks.nodes.clear();
  marks.flags.clear();
}

bool dropDetachedMarks(const Tree& tree, MarkSet& marks) {
  std::vector<int32_t> gone;
  for (int32_t m : marks.nodes)
    if (!isAttached(tree, m)) gone.push_back(m);
  return removeMarks(marks, gone);
}

MarkTotals markTotals(const Tree& tree, const std::vector<int32_t>& nodes, bool onDisk) {
  MarkTotals totals;
  std::vector<int32_t> stack;
  for (int32_t top : nodes) {
    if (!inTree(tree, top)) continue;
    stack.assign(1, top);
    while (!stack.empty()) {
      int32_t n = stack.back();
      stack.pop_back();
      totals.items++;
      const TreeNode& node = tree.node(n);
      if (node.flags & kNodeFolder) {
        for (int32_t c = node.firstChild; c != kNoNode; c = tree.node(c).nextSibling) stack.push_back(c);
      } else {
        totals.bytes += onDisk ? onDiskSize(tree, n) : logicalSize(tree, n);
      }
    }
  }
  return totals;
}

int32_t commonAncestor(const Tree& tree, const std::vector<int32_t>& nodes) {
  int32_t common = -1;
  std::vector<int32_t> chain;   // the common node's ancestors-or-self, root last
  for (int32_t node : nodes) {
    if (!inTree(tree, node)) continue;
    if (common < 0) {
      common = node;
      continue;
    }
    if (isAtOrBelow(tree, node, common)) continue;
    chain.clear();
    for (int32_t n = common; inTree(tree, n); n = tree.node(n).parent) chain.push_back(n);
    // The first ancestor of `node` on the common chain.
    int32_t meet = -1;
    for (int32_t n = node; inTree(tree, n) && meet < 0; n = tree.node(n).parent)
      if (std::find(chain.begin(), chain.end(), n) != chain.end()) meet = n;
    common = meet >= 0 ? meet : tree.rootIndex;
  }
  return common;
}
