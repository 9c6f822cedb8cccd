#include "engine/cut_out.h"
#include "engine/extensions.h"
#include <algorithm>

namespace {
bool isChildOf(const Tree& tree, int32_t child, int32_t parent) {
  for (int32_t c = tree.node(parent).firstChild; c != kNoNode; c = tree.node(c).nextSibling)
    if (c == child) return true;
  return false;
}
}  // namespace

bool isAttached(const Tree& tree, int32_t node) {
  if (node < 0 || node >= tree.nodeCount || tree.rootIndex < 0) return false;
  // After finalizing, Detached says exactly this; otherwise the lists must be followed.
  if (tree.finalized) return !(tree.node(node).flags & kNodeDetached);
  int64_t steps = 0;
  for (int32_t n = node; n != tree.rootIndex; n = tree.node(n).parent) {
    int32_t parent = tree.node(n).parent;
    if (parent < 0 || parent >= tree.nodeCount || !isChildOf(tree, n, parent)) return false;
    if (++steps > tree.nodeCount) return false;   // a damaged chain that loops
  }
  return true;
}

int64_t cutOutOfTree(Tree& tree, const std::vector<int32_t>& nodes) {
  // All nodes are judged before any list changes, and each parent's list is rebuilt
  // once: detaching one by one walks a folder's list per node, which for the files
  // of one big folder takes quadratic time.
  std::vector<uint8_t> gone(static_cast<size_t>(tree.nodeCount), 0);
  std::vector<int32_t> parents;
  int64_t cut = 0;
  for (int32_t node : nodes) {
    if (node == tree.rootIndex || !isAttached(tree, node) || gone[node]) continue;
    gone[node] = 1;
    parents.push_back(tree.node(node).parent);
    cut++;
  }
  if (cut == 0) return 0;
  std::sort(parents.begin(), parents.end());
  parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
  TreeNode* all = tree.nodes();
  for (int32_t parent : parents) {
    int32_t kept = kNoNode, last = kNoNode;
    for (int32_t c = all[parent].firstChild; c != kNoNode;) {
      int32_t next = all[c].nextSibling;
      if (gone[c]) {
        all[c].nextSibling = kNoNode;   // as detachNode leaves it: the parent stays recorded
      } else {
        if (last == kNoNode) kept = c;
        else all[last].nextSibling = c;
        last = c;
      }
      c = next;
    }
    if (last != kNoNode) all[last].nextSibling = kNoNode;
    all[parent].firstChild = kept;
  }
  tree.finalized = false;
  aggregateTree(tree);
  return cut;
}
