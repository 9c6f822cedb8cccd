// The files a list shows: every file below the view root, met depth-first along the
// child lists (largest first), leaving out what weighs nothing while weights are in
// use (filtered out, marked, or nothing on disk in the on-disk mode), folders
// included: a folder that weighs nothing holds nothing to list.
//
// Threading: the thread that owns the tree (the window thread).
#pragma once
#include "engine/tree.h"
#include <cstdint>

// `weights` is null while no weights are in use.
template <typename Visit>
void forEachListedFile(const Tree& tree, int32_t viewRoot, const float* weights, uint64_t weightCount, Visit&& visit) {
  if (viewRoot < 0 || viewRoot >= tree.nodeCount) return;
  auto weighsNothing = [&](int32_t node) {
    return weights && (static_cast<uint64_t>(node) >= weightCount || !(weights[node] > 0));
  };
  const TreeNode* nodes = tree.nodes();
  int32_t current = nodes[viewRoot].firstChild;
  while (current != kNoNode) {
    const TreeNode& node = nodes[current];
    if (node.flags & kNodeFolder) {
      if (node.firstChild != kNoNode && !weighsNothing(current)) {
        current = node.firstChild;
        continue;
      }
    } else if (!weighsNothing(current)) {
      visit(current);
    }
    // Next in depth-first order: a sibling, or the sibling of the nearest ancestor that has one.
    int32_t next = current;
    while (next != viewRoot && next != kNoNode && nodes[next].nextSibling == kNoNode) next = nodes[next].parent;
    current = next == viewRoot || next == kNoNode ? kNoNode : nodes[next].nextSibling;
  }
}
