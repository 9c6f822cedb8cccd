// Starting and continuing a directory walk, and the number of listing workers.
#include "engine/walk.h"
#include "engine/walk_state.h"

int workerThreadCount(std::u16string_view rootPath) {
  if (!isSolidState(rootPath)) return 2;
  int processors = logicalProcessorCount();
  if (processors < 3) return 4;
  return 2 * processors < 16 ? 2 * processors : 16;
}

void walkScan(Tree& tree, std::u16string_view rootPath, ScanProgress& progress) {
  tree.rootPath.assign(rootPath);
  int32_t root = addNode(tree, kNoNode, rootPath.data(), rootPath.size(), 0, 0, true);
  tree.rootIndex = root;
  int64_t filetime = 0;
  uint32_t attributes = 0;
  if (readPathFacts(rootPath, filetime, attributes)) setTimeAndAttributes(tree, root, filetime, attributes);

  WalkState* state = createWalkState(tree, rootPath);
  std::vector<int32_t> queue{root};
  runWalkPool(state, tree, queue, 0, progress);
  destroyWalkState(state);
}

void continueWalk(Tree& tree, ScanProgress& progress) {
  WalkState* state = createWalkState(tree, tree.rootPath);
  std::vector<int32_t> queue;
  for (int32_t k = 0; k < tree.nodeCount; k++) {
    if ((tree.node(k).flags & (kNodePending | kNodeDetached)) == kNodePending) queue.push_back(k);
  }
  if (!queue.empty() && !progress.cancel.load()) {
    for (int32_t k : queue) tree.node(k).flags &= ~kNodePending;
    runWalkPool(state, tree, queue, tree.fileCount + tree.folderCount, progress);
  }
  destroyWalkState(state);
}
