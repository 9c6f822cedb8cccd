// A tree that outgrows its reservation on a worker thread ends that thread with
// the out-of-memory code; the process and the starter carry on.
#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>

namespace {
struct SmallReservations {
  explicit SmallReservations(uint64_t limit) { setTreeReservationLimitForTesting(limit); }
  ~SmallReservations() { setTreeReservationLimitForTesting(0); }
};

uint32_t fillUntilOutOfMemory(bool distinctNames) {
  Thread thread = startClosureThread(kEngineThreadStackBytes, [distinctNames]() -> uint32_t {
    markWorkerThread();
    Tree tree;
    initTree(tree);
    int32_t root = addNode(tree, kNoNode, u"C:\\", 3, 0, 0, true);
    char16_t name[8] = u"n";
    for (uint32_t i = 0;; i++) {
      if (distinctNames)
        for (int k = 1; k < 7; k++) name[k] = char16_t(u'a' + (i >> (3 * k)) % 26);
      addNode(tree, root, name, distinctNames ? 7 : 1, 1, 4096, false);
    }
  });
  return joinThread(thread);
}
}  // namespace

TEST(TreeOutOfMemory, ArenaBeyondTheReservationEndsOnlyTheWorker) {
  struct Case {
    uint64_t limit;
    bool distinctNames;
  } cases[] = {
      {1u << 20, false},   // the intern set (512 KiB) fits; the node arena runs out
      {256u << 10, true},  // even the first intern set does not fit
  };
  for (const Case& c : cases) {
    SmallReservations small(c.limit);
    EXPECT_EQ(fillUntilOutOfMemory(c.distinctNames), kExitOutOfMemory) << c.limit;
  }
  // The process is alive and a normal tree still works.
  TestTree t;
  int32_t root = t.root(u"C:\\");
  t.file(root, u"x", 3);
  finalizeTree(t.tree);
  EXPECT_EQ(logicalSize(t.tree, root), 3);
}
