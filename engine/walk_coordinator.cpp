// The coordinator: the only thread that writes the tree during a walk. It hands
// folders out to the ring of slots in queue order and takes their results over in
// exactly that order, so the tree never depends on which worker finished first. It
// also keeps listed folders open while their subfolders wait in the queue (within a
// budget of descriptors), so that each subfolder is opened relative to its parent.
//
// Sections: hard links · kept folders · take-over · loop
#include "engine/walk_state.h"
#include "platform/platform.h"

namespace {
// --- Hard links ---------------------------------------------------------------------------
constexpr uint64_t kBitmapIdLimit = 0x3FFFFFFF;

// True when the file was seen before under another name; remembers it otherwise.
bool seenBefore(Tree& tree, uint64_t id) {
  if (id <= kBitmapIdLimit) {
    auto& bitmap = tree.hardLinkBitmap;
    size_t word = id / 64;
    if (word >= bitmap.size()) bitmap.resize(word + 1 > 2 * bitmap.size() ? word + 1 : 2 * bitmap.size(), 0);
    uint64_t bit = 1ull << (id % 64);
    bool seen = bitmap[word] & bit;
    bitmap[word] |= bit;
    return seen;
  }
  // Larger ids (64-bit inode numbers) go to an open-addressing set; id + 1 so 0 means empty.
  // (Why it is not shared with the other two such tables: engine/names.h.)
  auto& set = tree.hardLinkLargeIds;
  if (set.empty() || static_cast<uint64_t>(tree.hardLinkLargeIdCount + 1) * 4 > set.size() * 3) {
    std::vector<uint64_t> grown(set.empty() ? 1024 : set.size() * 2, 0);
    for (uint64_t v : set) {
      if (!v) continue;
      size_t s = (v * 0x9E3779B97F4A7C15ull) >> 20 & (grown.size() - 1);
      while (grown[s]) s = (s + 1) & (grown.size() - 1);
      grown[s] = v;
    }
    set.swap(grown);
  }
  uint64_t v = id + 1;
  size_t s = (v * 0x9E3779B97F4A7C15ull) >> 20 & (set.size() - 1);
  while (set[s]) {
    if (set[s] == v) return true;
    s = (s + 1) & (set.size() - 1);
  }
  set[s] = v;
  tree.hardLinkLargeIdCount++;
  return false;
}

// --- Kept folders ---------------------------------------------------------------------
// Keeps the folder a worker left open for the `children` subfolders just queued.
void keepFolder(WalkState& state, intptr_t& handle, size_t children) {
  if (handle == kNoOpenFolder) return;
  if (children == 0 || state.keptOpen >= state.keptBudget) {
    closeListedFolder(state.listing, handle);
    return;
  }
  int32_t k;
  if (state.freeKept.empty()) {
    k = static_cast<int32_t>(state.kept.size());
    state.kept.emplace_back();
  } else {
    k = state.freeKept.back();
    state.freeKept.pop_back();
  }
  state.kept[k] = {handle, static_cast<int32_t>(children), 0};
  handle = kNoOpenFolder;
  state.keptOpen++;
  size_t size = state.queueParents.size();
  for (size_t p = size - children; p < size; p++) state.queueParents[p] = k;
}

void closeKept(WalkState& state, KeptFolder& kept) {
  if (kept.handle == kNoOpenFolder) return;
  closeListedFolder(state.listing, kept.handle);
  state.keptOpen--;
}

// A subfolder of kept folder k was taken over.
void releaseKept(WalkState& state, int32_t k, bool borrowed) {
  KeptFolder& kept = state.kept[k];
  if (borrowed) kept.borrowers--;
  if (--kept.waitingChildren > 0) return;
  closeKept(state, kept);
  state.freeKept.push_back(k);
}

// A listing found no descriptor free: close every kept folder no worker is using
// (their subfolders are then reached from the root) and keep fewer from now on.
void shedKeptFolders(WalkState& state) {
  for (KeptFolder& kept : state.kept)
    if (kept.borrowers == 0) closeKept(state, kept);
  state.keptBudget /= 2;
}

// --- Take-over -------------------------------------------------------------------------
void takeOver(WalkState& state, Tree& tree, int32_t folder, WalkSlot& slot,
              std::vector<int32_t>& queue, int64_t& nodeCounter) {
  if (slot.openFailed) {
    tree.node(folder).flags |= kNodeUnreadable;
    tree.unreadableFolders.push_back({folder, slot.error});
    return;
  }
  size_t queued = queue.size();
  const uint64_t* w = slot.entries.data();
  const uint64_t* end = w + slot.entries.size();
  // Names a few records ahead are prefetched so their intern-set cache misses overlap.
  const uint64_t* ahead = w;
  auto prefetchNext = [&] {
    uint32_t length = static_cast<uint32_t>(ahead[4] >> 32);
    prefetchName(tree, reinterpret_cast<const char16_t*>(ahead + kEntryHeaderWords), length);
    ahead += kEntryHeaderWords + entryNameWords(length);
  };
  for (int k = 0; k < kNameHintDistance && ahead < end; k++) prefetchNext();
  while (w < end) {
    if (ahead < end) prefetchNext();
    uint32_t length = static_cast<uint32_t>(w[4] >> 32);
    uint32_t attributes = static_cast<uint32_t>(w[4]);
    const char16_t* name = reinterpret_cast<const char16_t*>(w + kEntryHeaderWords);
    size_t cut = length > kMaxNameLength ? kMaxNameLength : length;
    if (attributes & kAttributeDirectory) {
      int32_t node = addNode(tree, folder, name, cut, static_cast<int64_t>(w[0]), 0, true);
      setTimeAndAttributes(tree, node, static_cast<int64_t>(w[2]), attributes);
      nodeCounter++;
      // a reparse point is listed but never entered: junctions and links can loop
      if (!(attributes & kAttributeReparsePoint)) {
        queue.push_back(node);
        state.queueIds.push_back(w[3]);
      }
    } else if (state.fileIdMask && w[3] != kNoFileId && seenBefore(tree, w[3] & state.fileIdMask)) {
      tree.hardLinkCount++;
    } else {
      int32_t node = addNode(tree, folder, name, cut, static_cast<int64_t>(w[0]),
                             static_cast<int64_t>(w[1]), false);
      setTimeAndAttributes(tree, node, static_cast<int64_t>(w[2]), attributes);
      nodeCounter++;
    }
    w += kEntryHeaderWords + entryNameWords(length);
  }
  if (slot.entries.capacity() > kKeptEntryWords) std::vector<uint64_t>().swap(slot.entries);
  state.queueParents.resize(queue.size(), -1);
  keepFolder(state, slot.openFolder, queue.size() - queued);
}
}  // namespace

// --- Loop ----------------------------------------------------------------------------------
void runCoordinator(WalkState& state, Tree& tree, std::vector<int32_t>& queue,
                    int64_t nodeCounter, ScanProgress& progress) {
  // Absolute folder numbers: the one at queue position p is base + p.
  int64_t base = 0;
  size_t r = 0;          // queue position of the next folder to take over
  int64_t i = 0;         // absolute number of the next folder to hand out
  std::u16string fullPath;
  state.queueParents.assign(queue.size(), -1);
  state.queueIds.assign(queue.size(), kNoFileId);
  progress.done.store(nodeCounter, std::memory_order_relaxed);
  while (r < queue.size()) {
    while (i - base < static_cast<int64_t>(queue.size()) && i - (base + static_cast<int64_t>(r)) < state.ringSize) {
      WalkSlot& slot = state.slots[i % state.ringSize];
      fullPath = nodePath(tree, queue[i - base]);
      slot.path.clear();
      appendListingPath(slot.path, fullPath);
      if (slot.path.empty() || slot.path.back() != kPathSeparator) slot.path += kPathSeparator;
      slot.target = ListingTarget{};
      slot.target.rootLength = state.rootListingLength;
      slot.target.keepOpen = state.keptBudget > 0;
      slot.target.expectedId = state.fileIdMask ? state.queueIds[i - base] : kNoFileId;
      slot.borrowedKept = -1;
      int32_t k = state.queueParents[i - base];
      if (k >= 0 && state.kept[k].handle != kNoOpenFolder) {
        slot.target.parent = state.kept[k].handle;
        slot.borrowedKept = k;
        state.kept[k].borrowers++;
      }
      slot.done = 0;
      i++;
    }
    WalkSlot& slot = state.slots[(base + static_cast<int64_t>(r)) % state.ringSize];
    lockMutex(state.lock);
    if (i != state.handedOut) {
      state.handedOut = i;
      wakeAll(state.workAvailable);
    }
    for (;;) {
      if (state.descriptorsWanted) {
        state.descriptorsWanted = 0;
        unlockMutex(state.lock);
        shedKeptFolders(state);
        lockMutex(state.lock);
        continue;
      }
      if (slot.done || state.outOfMemory) break;
      waitCondition(state.slotDone, state.lock);
    }
    bool outOfMemory = state.outOfMemory;
    unlockMutex(state.lock);
    if (outOfMemory) failOutOfMemory();

    int32_t parentKept = state.queueParents[r];
    if (parentKept >= 0) releaseKept(state, parentKept, slot.borrowedKept == parentKept);
    takeOver(state, tree, queue[r], slot, queue, nodeCounter);
    progress.done.store(nodeCounter, std::memory_order_relaxed);
    if (progress.cancel.load(std::memory_order_relaxed)) {
      for (size_t p = r + 1; p < queue.size(); p++) tree.node(queue[p]).flags |= kNodePending;
      return;
    }
    r++;
    if (r > 4095 && 2 * r >= queue.size()) {
      queue.erase(queue.begin(), queue.begin() + static_cast<ptrdiff_t>(r));
      state.queueParents.erase(state.queueParents.begin(), state.queueParents.begin() + static_cast<ptrdiff_t>(r));
      state.queueIds.erase(state.queueIds.begin(), state.queueIds.begin() + static_cast<ptrdiff_t>(r));
      base += static_cast<int64_t>(r);
      r = 0;
    }
  }
}
