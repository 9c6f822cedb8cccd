// Running one walk: n supervisor threads, each waiting on one listing worker with an
// 8 MiB stack, and the coordinator on its own 8 MiB stack. A worker that dies for lack
// of memory is reported by its supervisor, which wakes the coordinator so that it fails
// too; the walk then ends the calling engine thread the same way.
#include "engine/walk.h"
#include "engine/walk_state.h"
#include "platform/platform.h"

namespace {
// Called by a listing worker that found no descriptor free.
void wantDescriptors(void* owner) {
  auto* state = static_cast<WalkState*>(owner);
  MutexHold hold(state->lock);
  if (state->descriptorsWanted) return;
  state->descriptorsWanted = 1;
  wakeAll(state->slotDone);
}
}  // namespace

WalkState* createWalkState(Tree& tree, std::u16string_view rootPath) {
  auto* state = new WalkState;
  initMutex(state->lock);
  initConditionVariable(state->workAvailable);
  initConditionVariable(state->slotDone);
  VolumeFacts facts = readVolumeFacts(rootPath);
  if (facts.clusterSize > 0) tree.clusterSize = facts.clusterSize;
  state->listing.clusterSize = tree.clusterSize;
  state->listing.isNtfs = facts.isNtfs;
  state->listing.device = facts.device;
  state->listing.mountId = facts.mountId;
  state->listing.descriptorsWanted = wantDescriptors;
  state->listing.owner = state;
  state->fileIdMask = facts.fileIdMask;
  std::u16string rootListing;
  appendListingPath(rootListing, rootPath);
  if (rootListing.empty() || rootListing.back() != kPathSeparator) rootListing += kPathSeparator;
  state->rootListingLength = rootListing.size();
  state->keptBudget = keptFolderBudget();
  return state;
}

void destroyWalkState(WalkState* state) {
  // Every thread of the walk has been joined; a folder still open belonged to a
  // worker that ran out of memory halfway through its listing, or was kept for
  // subfolders the walk did not reach (stopped, or out of memory).
  for (WalkSlot& slot : state->slots) closeListedFolder(state->listing, slot.openFolder);
  for (KeptFolder& kept : state->kept) closeListedFolder(state->listing, kept.handle);
  destroyConditionVariable(state->slotDone);
  destroyConditionVariable(state->workAvailable);
  destroyMutex(state->lock);
  delete state;
}

namespace {
struct Supervisor {
  WalkState* state;
  uint32_t operator()() const {
    WalkState* s = state;
    if (startEngineThread([s] { runListingWorker(*s); }) == kExitOutOfMemory) {
      MutexHold hold(s->lock);
      s->outOfMemory = 1;
      wakeAll(s->slotDone);
    }
    return 0;
  }
};

void stopWorkers(WalkState* state, Thread* supervisors, int count) {
  {
    MutexHold hold(state->lock);
    state->stop = 1;
    wakeAll(state->workAvailable);
  }
  for (int k = 0; k < count; k++) joinThread(supervisors[k]);
}
}  // namespace

void runWalkPool(WalkState* state, Tree& tree, std::vector<int32_t>& queue,
                 int64_t nodeCounter, ScanProgress& progress) {
  int n = workerThreadCount(tree.rootPath);
  state->ringSize = n * kSlotsPerWorker < kWalkSlots ? n * kSlotsPerWorker : kWalkSlots;

  Thread supervisors[16];
  int started = 0;
  for (; started < n; started++) {
    supervisors[started] = startClosureThread(0, Supervisor{state});
    if (!supervisors[started].handle) break;
  }
  uint32_t code = kExitOutOfMemory;
  if (started == n) code = startEngineThread([&] { runCoordinator(*state, tree, queue, nodeCounter, progress); });
  // Even when a thread could not be started, the ones running are stopped and joined
  // before the state goes away.
  stopWorkers(state, supervisors, started);
  if (code == kExitOutOfMemory) {
    destroyWalkState(state);
    failOutOfMemory();
  }
}
