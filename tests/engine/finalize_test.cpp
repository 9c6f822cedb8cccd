// Finalizing: reachability, folder sums, counts, child order; detaching nodes.
#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>

namespace {
std::vector<int32_t> childrenOf(const Tree& tree, int32_t node) {
  std::vector<int32_t> list;
  for (int32_t c = tree.node(node).firstChild; c >= 0; c = tree.node(c).nextSibling) list.push_back(c);
  return list;
}
}  // namespace

TEST(Finalize, SumsCountsAndSizeOrderWithCreationOrderTies) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t a = t.folder(root, u"a");
  int32_t f1 = t.file(a, u"f1", 100);
  int32_t f2 = t.file(a, u"f2", 300);
  int32_t f3 = t.file(a, u"f3", 100);
  int32_t f4 = t.file(a, u"f4", 100);
  int32_t b = t.folder(root, u"b");
  int32_t empty = t.folder(b, u"empty");
  int32_t g = t.file(b, u"g", 600);
  int32_t top = t.file(root, u"top", 0);
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, a), 600);
  EXPECT_EQ(logicalSize(t.tree, b), 600);
  EXPECT_EQ(logicalSize(t.tree, empty), 0);
  EXPECT_EQ(logicalSize(t.tree, root), 1200);
  EXPECT_EQ(childrenOf(t.tree, root), (std::vector<int32_t>{a, b, top}));   // a and b tie: a was created first
  EXPECT_EQ(childrenOf(t.tree, a), (std::vector<int32_t>{f2, f1, f3, f4}));
  EXPECT_EQ(childrenOf(t.tree, b), (std::vector<int32_t>{g, empty}));
  EXPECT_EQ(t.tree.fileCount, 6);
  EXPECT_EQ(t.tree.folderCount, 3);   // the root is not counted
  EXPECT_EQ(t.tree.names.capacity, 0u);
  // A second finalize gives the same result.
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, root), 1200);
  EXPECT_EQ(childrenOf(t.tree, a), (std::vector<int32_t>{f2, f1, f3, f4}));
  EXPECT_EQ(t.tree.fileCount, 6);
}

TEST(Finalize, UnattachedNodesAreDetachedAndCountNothing) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t orphan = t.folder(kNoNode, u"orphan");
  int32_t inside = t.file(orphan, u"x", 50);
  t.file(root, u"y", 5);
  finalizeTree(t.tree);
  EXPECT_TRUE(t.tree.node(orphan).flags & kNodeDetached);
  EXPECT_TRUE(t.tree.node(inside).flags & kNodeDetached);
  EXPECT_FALSE(t.tree.node(root).flags & kNodeDetached);
  EXPECT_EQ(logicalSize(t.tree, root), 5);
  EXPECT_EQ(t.tree.fileCount, 1);
  EXPECT_EQ(t.tree.folderCount, 0);
}

TEST(Finalize, LargeSizesSpillIntoTheTableAndFolderSumsAreExact) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t a = t.folder(root, u"a");
  t.file(a, u"half1", kMaxNodeSize / 2 + 1);
  t.file(a, u"half2", kMaxNodeSize / 2 + 1);   // together one byte over the field
  int32_t b = t.folder(root, u"b");
  t.file(b, u"huge", kMaxNodeSize + 10);
  t.file(b, u"small", 7);
  int32_t c = t.folder(root, u"c");
  t.file(c, u"exact", kMaxNodeSize);
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, a), kMaxNodeSize + 1);
  EXPECT_TRUE(t.tree.node(a).flags & kNodeLargeSize);
  EXPECT_EQ(logicalSize(t.tree, b), kMaxNodeSize + 17);
  EXPECT_EQ(logicalSize(t.tree, c), kMaxNodeSize);
  EXPECT_FALSE(t.tree.node(c).flags & kNodeLargeSize);
  EXPECT_EQ(logicalSize(t.tree, root), 3 * kMaxNodeSize + 18);
  EXPECT_EQ(childrenOf(t.tree, root), (std::vector<int32_t>{b, a, c}));
  // After the big file goes, the folder leaves the large-size table again.
  detachNode(t.tree, 5);
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, b), 7);
  EXPECT_FALSE(t.tree.node(b).flags & kNodeLargeSize);
  EXPECT_EQ(t.tree.largeSizes.size(), 3u);   // a, the root, and the detached file itself
}

TEST(Finalize, FolderSumsBeyondSixtyFourBitsStopAtTheLargestSize) {
  // Sums that overflow a 64-bit integer must not wrap to a negative size.
  struct Case {
    std::vector<int64_t> files;
    int64_t folder;
  } cases[] = {
      {{kMaxNodeSize, 1}, kMaxNodeSize + 1},
      {{INT64_MAX - 5, 5}, INT64_MAX},
      {{INT64_MAX, 1}, INT64_MAX},
      {{INT64_MAX, INT64_MAX, INT64_MAX}, INT64_MAX},
      {{INT64_MAX / 2 + 1, INT64_MAX / 2 + 1}, INT64_MAX},
  };
  for (const Case& c : cases) {
    TestTree t;
    int32_t root = t.root(u"C:\\");
    int32_t folder = t.folder(root, u"d");
    for (int64_t size : c.files) t.file(folder, u"f", size);
    int32_t small = t.file(root, u"small", 1);
    finalizeTree(t.tree);
    EXPECT_EQ(logicalSize(t.tree, folder), c.folder) << c.files[0];
    EXPECT_GT(logicalSize(t.tree, root), 0) << c.files[0];
    EXPECT_EQ(childrenOf(t.tree, root), (std::vector<int32_t>{folder, small})) << c.files[0];
  }
}

TEST(Finalize, DetachedFolderDropsOutOfSumsCountsAndUnreadableList) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t keep = t.folder(root, u"keep");
  t.file(keep, u"k", 10);
  int32_t gone = t.folder(root, u"gone");
  int32_t goneSub = t.folder(gone, u"sub");
  int32_t goneFile = t.file(goneSub, u"g", 1000);
  t.file(gone, u"h", 1);
  int32_t unreadableKept = t.folder(keep, u"locked");
  t.tree.node(unreadableKept).flags |= kNodeUnreadable;
  t.tree.node(goneSub).flags |= kNodeUnreadable | kNodePending;
  t.tree.unreadableFolders = {{goneSub, 5}, {unreadableKept, 5}};
  finalizeTree(t.tree);
  ASSERT_EQ(logicalSize(t.tree, root), 1011);
  ASSERT_EQ(t.tree.fileCount, 3);
  ASSERT_EQ(t.tree.folderCount, 4);
  EXPECT_EQ(t.tree.unreadableFolderCount, 2);
  EXPECT_EQ(t.tree.pendingFolderCount, 1);

  detachNode(t.tree, gone);
  EXPECT_EQ(t.tree.node(gone).parent, root);   // the parent link stays
  EXPECT_EQ(t.tree.node(gone).nextSibling, kNoNode);
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, root), 10);
  EXPECT_EQ(t.tree.fileCount, 1);
  EXPECT_EQ(t.tree.folderCount, 2);
  EXPECT_EQ(t.tree.unreadableFolderCount, 1);
  EXPECT_EQ(t.tree.pendingFolderCount, 0);
  for (int32_t n : {gone, goneSub, goneFile}) EXPECT_TRUE(t.tree.node(n).flags & kNodeDetached) << n;
  ASSERT_EQ(t.tree.unreadableFolders.size(), 1u);
  EXPECT_EQ(t.tree.unreadableFolders[0].node, unreadableKept);
  EXPECT_EQ(childrenOf(t.tree, root), (std::vector<int32_t>{keep}));
}

TEST(Finalize, DetachFromTheMiddleAndTheEndOfAList) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  std::vector<int32_t> files;
  for (int i = 0; i < 5; i++) files.push_back(t.file(root, u"f", 100 - i));
  finalizeTree(t.tree);
  ASSERT_EQ(childrenOf(t.tree, root), files);
  detachNode(t.tree, files[2]);
  detachNode(t.tree, files[4]);
  detachNode(t.tree, files[0]);
  EXPECT_EQ(childrenOf(t.tree, root), (std::vector<int32_t>{files[1], files[3]}));
  detachNode(t.tree, files[0]);   // twice: nothing more happens
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, root), 99 + 97);
  EXPECT_EQ(t.tree.fileCount, 2);
}

TEST(Finalize, GivesBackMemoryAndKeepsItUsable) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  for (int i = 0; i < 1000; i++) t.file(root, u"file", i + 1);
  for (int i = 0; i < 100; i++) t.add(root, u"odd", 5000, 4096);   // on-disk exceptions
  t.tree.onDiskExceptions.reserve(1000);
  finalizeTree(t.tree);
  EXPECT_EQ(t.tree.nodeArena.committed, roundUpToPage(1101 * sizeof(TreeNode)));
  EXPECT_EQ(t.tree.timeArena.committed, roundUpToPage(1101 * 4));
  EXPECT_EQ(t.tree.attributeArena.committed, roundUpToPage(1101));
  EXPECT_EQ(t.tree.namePool.committed, roundUpToPage(t.tree.namePoolUsed));
  EXPECT_EQ(t.tree.onDiskExceptions.capacity(), 100u);
  int64_t expected = int64_t(t.tree.nodeArena.committed / 24 * 24 + t.tree.namePool.committed +
                             t.tree.timeArena.committed + t.tree.attributeArena.committed) +
                     16 * int64_t(t.tree.onDiskExceptions.capacity() + t.tree.largeSizes.capacity() +
                                  t.tree.timeExceptions.capacity()) +
                     8 * int64_t(t.tree.attributeExceptions.capacity() + t.tree.hardLinkBitmap.capacity());
  EXPECT_EQ(treeBytes(t.tree), expected);
  // The tree keeps growing after a give-back.
  for (int i = 0; i < 50000; i++) t.file(root, u"more", 1);
  finalizeTree(t.tree);
  EXPECT_EQ(t.tree.fileCount, 51100);
  EXPECT_EQ(logicalSize(t.tree, root), 1000 * 1001 / 2 + 100 * 5000 + 50000);
}

// Builds random trees (deep chains, wide folders, ties, large sizes, detached
// subtrees) and checks every folder against a naive recomputation.
TEST(Finalize, RandomTreesMatchANaiveRecomputation) {
  std::mt19937_64 random(20261210);
  for (int round = 0; round < 6; round++) {
    TestTree t;
    int32_t root = t.root(u"C:\\");
    std::vector<int32_t> folders{root};
    int nodes = 20000 + round * 5000;
    for (int i = 0; i < nodes; i++) {
      int32_t parent;
      uint64_t pick = random() % 100;
      if (pick < 5) parent = folders.back();                          // deep chains
      else if (pick < 20) parent = folders[random() % std::min<size_t>(folders.size(), 3)];   // wide folders
      else parent = folders[random() % folders.size()];
      if (random() % 12 == 0) {
        folders.push_back(t.folder(parent, u"d"));
      } else {
        int64_t size = random() % 4 == 0 ? int64_t(random() % 8) : int64_t(random() % 1000000);
        if (random() % 500 == 0) size = kMaxNodeSize - int64_t(random() % 3);
        t.file(parent, u"f", size);
      }
    }
    // Detach a few subtrees before the first finalize, and more after it.
    for (int k = 0; k < 3; k++) detachNode(t.tree, folders[1 + random() % (folders.size() - 1)]);
    finalizeTree(t.tree);
    for (int k = 0; k < 3; k++) detachNode(t.tree, int32_t(1 + random() % (t.tree.nodeCount - 1)));
    finalizeTree(t.tree);

    // Naive: reachability by walking parent links through non-detached lists.
    int64_t count = t.tree.nodeCount;
    std::vector<std::vector<int32_t>> kids(count);
    std::vector<char> reach(count, 0);
    std::vector<int32_t> stack{root};
    reach[root] = 1;
    std::vector<int32_t> order;
    while (!stack.empty()) {
      int32_t n = stack.back();
      stack.pop_back();
      order.push_back(n);
      for (int32_t c = t.tree.node(n).firstChild; c >= 0; c = t.tree.node(c).nextSibling) {
        ASSERT_EQ(t.tree.node(c).parent, n);
        ASSERT_FALSE(reach[c]);
        reach[c] = 1;
        kids[n].push_back(c);
        stack.push_back(c);
      }
    }
    std::vector<__int128> total(count, 0);
    int64_t files = 0, foldersCounted = 0;
    for (size_t k = order.size(); k-- > 0;) {
      int32_t n = order[k];
      const TreeNode& node = t.tree.node(n);
      if (node.flags & kNodeFolder) {
        for (int32_t c : kids[n]) total[n] += total[c];
        if (n != root) foldersCounted++;
      } else {
        total[n] = logicalSize(t.tree, n);
        files++;
      }
    }
    for (int64_t n = 0; n < count; n++) {
      int32_t i = int32_t(n);
      ASSERT_EQ(bool(t.tree.node(i).flags & kNodeDetached), !reach[i]) << i;
      if (!reach[i]) continue;
      ASSERT_EQ(logicalSize(t.tree, i), int64_t(total[i])) << i;
      ASSERT_EQ(bool(t.tree.node(i).flags & kNodeLargeSize), total[i] > kMaxNodeSize) << i;
      // Children in size-descending, index-ascending order.
      std::vector<int32_t> expected = kids[i];
      std::sort(expected.begin(), expected.end(), [&](int32_t a, int32_t b) {
        int64_t sa = logicalSize(t.tree, a), sb = logicalSize(t.tree, b);
        return sa != sb ? sa > sb : a < b;
      });
      ASSERT_EQ(kids[i], expected) << i;
    }
    EXPECT_EQ(t.tree.fileCount, files);
    EXPECT_EQ(t.tree.folderCount, foldersCounted);
  }
}

TEST(Finalize, SortsLongChildListsOfEveryShape) {
  // Lists long enough for the partitioning and the heap-sort fallback: sorted,
  // reversed, all equal, organ-pipe and random sizes.
  std::mt19937 random(7);
  for (int shape = 0; shape < 5; shape++) {
    for (int length : {33, 41, 200, 5000}) {
      TestTree t;
      int32_t root = t.root(u"C:\\");
      for (int i = 0; i < length; i++) {
        int64_t size = shape == 0 ? i : shape == 1 ? length - i : shape == 2 ? 5
                     : shape == 3 ? std::min(i, length - i) : int64_t(random() % 50);
        t.file(root, u"f", size);
      }
      finalizeTree(t.tree);
      std::vector<int32_t> list = childrenOf(t.tree, root);
      ASSERT_EQ(list.size(), size_t(length));
      for (size_t k = 1; k < list.size(); k++) {
        int64_t a = logicalSize(t.tree, list[k - 1]), b = logicalSize(t.tree, list[k]);
        ASSERT_TRUE(a > b || (a == b && list[k - 1] < list[k])) << shape << " " << length << " " << k;
      }
    }
  }
}
