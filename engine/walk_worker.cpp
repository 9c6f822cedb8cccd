// The listing worker: takes the next handed-out folder, lists it into its slot and
// reports it done. Workers never touch the tree.
#include "engine/walk_state.h"
#include <memory>

void runListingWorker(WalkState& state) {
  std::unique_ptr<uint64_t[]> buffer(new uint64_t[kListingBufferBytes / 8]());
  prepareListingThread();
  lockMutex(state.lock);
  for (;;) {
    while (state.taken == state.handedOut && !state.stop) waitCondition(state.workAvailable, state.lock);
    if (state.stop) break;
    int64_t folder = state.taken++;
    WalkSlot& slot = state.slots[folder % state.ringSize];
    unlockMutex(state.lock);

    slot.entries.clear();
    int32_t error = listFolder(state.listing, slot.path, slot.target, buffer.get(), slot.entries, slot.openFolder);
    slot.openFailed = error != 0;
    slot.error = error;

    lockMutex(state.lock);
    slot.done = 1;
    wakeOne(state.slotDone);
  }
  unlockMutex(state.lock);
}
