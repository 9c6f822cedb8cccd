// Finalizing a tree: detach marking, folder sums, counts, size-descending child
// order and memory give-back; detaching a node; the tree's memory figure.
#include "engine/tree.h"
#include "engine/names.h"
#include "engine/side_table.h"
#include <utility>

namespace {
struct ChildKey {
  int64_t size;
  int32_t index;
};

// Size descending, then index ascending: a total order, so any sort gives one result.
inline bool before(const ChildKey& a, const ChildKey& b) {
  return a.size != b.size ? a.size > b.size : a.index < b.index;
}

void insertionSort(ChildKey* first, ChildKey* last) {
  for (ChildKey* i = first + 1; i < last; i++) {
    ChildKey key = *i;
    ChildKey* j = i;
    for (; j > first && before(key, j[-1]); j--) *j = j[-1];
    *j = key;
  }
}

void siftDown(ChildKey* heap, ptrdiff_t root, ptrdiff_t count) {
  while (true) {
    ptrdiff_t child = 2 * root + 1;
    if (child >= count) return;
    if (child + 1 < count && before(heap[child], heap[child + 1])) child++;
    if (!before(heap[root], heap[child])) return;
    std::swap(heap[root], heap[child]);
    root = child;
  }
}

void heapSort(ChildKey* first, ChildKey* last) {
  ptrdiff_t count = last - first;
  for (ptrdiff_t i = count / 2; i-- > 0;) siftDown(first, i, count);
  for (ptrdiff_t end = count - 1; end > 0; end--) {
    std::swap(first[0], first[end]);
    siftDown(first, 0, end);
  }
}

ChildKey* medianOfThree(ChildKey* a, ChildKey* b, ChildKey* c) {
  if (before(*a, *b)) return before(*b, *c) ? b : (before(*a, *c) ? c : a);
  return before(*a, *c) ? a : (before(*b, *c) ? c : b);
}

// Sorted by hand, never with std::sort: the child order must come out the same on every
// build and standard library, so the algorithm is fixed here, not left to the library.
void introSort(ChildKey* first, ChildKey* last, int depthBudget) {
  while (last - first > 32) {
    if (depthBudget-- == 0) {
      heapSort(first, last);
      return;
    }
    ptrdiff_t count = last - first;
    ChildKey* mid = first + count / 2;
    ChildKey* pivotAt;
    if (count > 40) {
      ptrdiff_t step = count / 8;
      pivotAt = medianOfThree(medianOfThree(first, first + step, first + 2 * step),
                              medianOfThree(mid - step, mid, mid + step),
                              medianOfThree(last - 1 - 2 * step, last - 1 - step, last - 1));
    } else {
      pivotAt = medianOfThree(first, mid, last - 1);
    }
    ChildKey pivot = *pivotAt;
    // Hoare partition around the pivot value.
    ChildKey* i = first;
    ChildKey* j = last - 1;
    while (true) {
      while (before(*i, pivot)) i++;
      while (before(pivot, *j)) j--;
      if (i >= j) break;
      std::swap(*i, *j);
      i++;
      j--;
    }
    ChildKey* split = j + 1;
    // Recurse into the smaller side, loop on the larger.
    if (split - first < last - split) {
      introSort(first, split, depthBudget);
      first = split;
    } else {
      introSort(split, last, depthBudget);
      last = split;
    }
  }
  insertionSort(first, last);
}

void sortChildren(ChildKey* first, ChildKey* last) {
  int budget = 0;
  for (ptrdiff_t n = last - first; n > 1; n >>= 1) budget += 2;
  introSort(first, last, budget);
}

int64_t addSizes(int64_t a, int64_t b) {
  int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

// Marks reachability, zeroes and re-sums folder sizes in one depth-first walk:
// a folder is zeroed when entered and gets each child's size when the child is left.
void markAndSum(Tree& tree) {
  TreeNode* nodes = tree.nodes();
  int64_t count = tree.nodeCount;
  for (int64_t i = 0; i < count; i++) nodes[i].flags |= kNodeDetached;
  tree.pendingFolderCount = 0;
  tree.unreadableFolderCount = 0;

  auto enter = [&](int32_t i) {
    TreeNode& n = nodes[i];
    n.flags &= ~kNodeDetached;
    if (n.flags & kNodeFolder) {
      if (n.flags & kNodeLargeSize) setSize(tree, i, 0);
      n.size = 0;
      if (n.flags & kNodePending) tree.pendingFolderCount++;
      if (n.flags & kNodeUnreadable) tree.unreadableFolderCount++;
    }
  };
  auto addToParent = [&](int32_t child, int32_t parent) {
    TreeNode& c = nodes[child];
    TreeNode& p = nodes[parent];
    if (!(c.flags & kNodeLargeSize) && !(p.flags & kNodeLargeSize)) {
      int64_t sum = static_cast<int64_t>(p.size) + static_cast<int64_t>(c.size);
      if (sum <= kMaxNodeSize && sum >= -kMaxNodeSize - 1) {
        p.size = sum;
        return;
      }
    }
    setSize(tree, parent, addSizes(logicalSize(tree, parent), logicalSize(tree, child)));
  };

  int32_t root = tree.rootIndex;
  enter(root);
  int32_t current = root;
  while (true) {
    // Descend to the first unvisited child; a visited one would mean a cycle.
    int32_t child = nodes[current].firstChild;
    if (child >= 0 && (nodes[child].flags & kNodeDetached)) {
      enter(child);
      current = child;
      continue;
    }
    // Leave nodes upwards until one has an unvisited next sibling.
    while (current != root) {
      int32_t parent = nodes[current].parent;
      int32_t next = nodes[current].nextSibling;
      addToParent(current, parent);
      if (next >= 0 && (nodes[next].flags & kNodeDetached)) {
        enter(next);
        current = next;
        break;
      }
      current = parent;
    }
    if (current == root) return;
  }
}
}  // namespace

void finalizeTree(Tree& tree) {
  releaseNameSet(tree.names);
  tree.fileCount = 0;
  tree.folderCount = 0;
  tree.finalized = false;
  if (tree.rootIndex < 0 || tree.rootIndex >= tree.nodeCount) return;
  markAndSum(tree);
  tree.finalized = true;

  TreeNode* nodes = tree.nodes();
  std::vector<ChildKey> children;
  for (int64_t i = 0; i < tree.nodeCount; i++) {
    TreeNode& n = nodes[i];
    if (n.flags & kNodeDetached) continue;
    if (i != tree.rootIndex) {
      if (n.flags & kNodeFolder) tree.folderCount++;
      else tree.fileCount++;
    }
    if (n.firstChild < 0 || nodes[n.firstChild].nextSibling < 0) continue;
    children.clear();
    for (int32_t c = n.firstChild; c >= 0; c = nodes[c].nextSibling) {
      const TreeNode& child = nodes[c];
      children.push_back({child.flags & kNodeLargeSize ? logicalSize(tree, c) : int64_t(child.size), c});
    }
    sortChildren(children.data(), children.data() + children.size());
    n.firstChild = children[0].index;
    for (size_t k = 0; k + 1 < children.size(); k++) nodes[children[k].index].nextSibling = children[k + 1].index;
    nodes[children.back().index].nextSibling = kNoNode;
  }

  // Unreadable folders that are no longer part of the tree are not reported.
  std::erase_if(tree.unreadableFolders,
                [&](const UnreadableFolder& u) { return u.node < 0 || u.node >= tree.nodeCount ||
                                                        (nodes[u.node].flags & kNodeDetached); });

  uint64_t count = static_cast<uint64_t>(tree.nodeCount);
  arenaTrim(tree.nodeArena, count * sizeof(TreeNode));
  arenaTrim(tree.namePool, tree.namePoolUsed);
  arenaTrim(tree.timeArena, count * 4);
  arenaTrim(tree.attributeArena, count);
  std::vector<NodeOnDisk>& onDisk = tree.onDiskExceptions;
  if (onDisk.capacity() > onDisk.size() + onDisk.size() / 10) {
    std::vector<NodeOnDisk> exact;
    exact.reserve(onDisk.size());
    exact.assign(onDisk.begin(), onDisk.end());
    onDisk.swap(exact);
  }
}

void detachNode(Tree& tree, int32_t node) {
  TreeNode* nodes = tree.nodes();
  TreeNode& n = nodes[node];
  if (n.parent >= 0) {
    TreeNode& parent = nodes[n.parent];
    if (parent.firstChild == node) {
      parent.firstChild = n.nextSibling;
    } else {
      for (int32_t c = parent.firstChild; c >= 0; c = nodes[c].nextSibling) {
        if (nodes[c].nextSibling == node) {
          nodes[c].nextSibling = n.nextSibling;
          break;
        }
      }
    }
  }
  n.nextSibling = kNoNode;
  tree.finalized = false;
}

int64_t treeBytes(const Tree& tree) {
  uint64_t bytes = tree.nodeArena.committed / sizeof(TreeNode) * sizeof(TreeNode) + tree.namePool.committed +
                   tree.timeArena.committed / 4 * 4 + tree.attributeArena.committed;
  bytes += 16 * (tree.largeSizes.capacity() + tree.onDiskExceptions.capacity() + tree.timeExceptions.capacity());
  bytes += 8 * (tree.attributeExceptions.capacity() + tree.hardLinkBitmap.capacity() + tree.hardLinkLargeIds.capacity() + tree.names.capacity);
  return static_cast<int64_t>(bytes);
}
