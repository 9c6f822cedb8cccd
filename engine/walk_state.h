// The state one walk shares between its coordinator and its listing workers.
//
// Threading: `lock` guards handedOut, taken, stop, outOfMemory, descriptorsWanted and
// every slot's done. The coordinator writes a slot's path and target only while the
// slot is not handed out; a worker writes the slot's entries, error and open folder
// between taking it and setting done; the coordinator reads them only after it saw
// done under the lock. The kept folders and the queue's parents are the coordinator's.
#pragma once
#include "engine/tree.h"
#include "platform/listing.h"
#include "platform/lock.h"
#include <string>
#include <vector>

constexpr int kWalkSlots = 256;
constexpr int kSlotsPerWorker = 16;
// An entry buffer that grew beyond this is given back after its folder was taken over.
constexpr size_t kKeptEntryWords = 32768;

struct WalkSlot {
  std::u16string path;              // listing path of the folder, ending with a separator
  ListingTarget target;             // how the worker reaches it
  int32_t borrowedKept = -1;        // the kept folder lent to the worker as the parent
  std::vector<uint64_t> entries;    // entry records (platform/listing.h)
  int32_t error = 0;                // system error when the folder could not be opened
  intptr_t openFolder = kNoOpenFolder;  // the folder while a worker has it open, or kept open after
  uint8_t openFailed = 0;
  uint8_t done = 0;
};

// A listed folder kept open while its subfolders wait in the queue, so each of them is
// opened relative to it. Closed when the last of them is taken over, or earlier when
// the process runs short of descriptors (they are then reached from the root).
struct KeptFolder {
  intptr_t handle = kNoOpenFolder;
  int32_t waitingChildren = 0;      // queued subfolders not yet taken over
  int32_t borrowers = 0;            // of them, handed out with this folder as their parent
};

struct WalkState {
  WalkSlot slots[kWalkSlots];
  ListingContext listing;
  size_t rootListingLength = 0;     // units of a listing path that name the root
  std::vector<KeptFolder> kept;
  std::vector<int32_t> freeKept;    // unused entries of kept
  int32_t keptOpen = 0;
  int32_t keptBudget = 0;
  std::vector<int32_t> queueParents;   // per queue entry: its parent's kept folder, or -1
  std::vector<uint64_t> queueIds;      // per queue entry: its file id as its parent listed it
  uint8_t descriptorsWanted = 0;    // a listing found no descriptor free
  uint64_t fileIdMask = 0;
  Mutex lock;
  ConditionVariable workAvailable;  // workers sleep on it
  ConditionVariable slotDone;       // the coordinator sleeps on it
  int64_t handedOut = 0;            // absolute folder counts since the walk began
  int64_t taken = 0;
  int64_t ringSize = 1;
  uint8_t stop = 0;
  uint8_t outOfMemory = 0;
};

// Fresh state with the volume facts of rootPath; stores a known cluster size in the tree.
WalkState* createWalkState(Tree& tree, std::u16string_view rootPath);
void destroyWalkState(WalkState* state);

// Lists folders until the state says stop. Runs on each listing worker thread.
void runListingWorker(WalkState& state);

// Builds the tree from the folders in `queue` and everything below them; on cancel
// the folders not yet taken over become Pending.
void runCoordinator(WalkState& state, Tree& tree, std::vector<int32_t>& queue,
                    int64_t nodeCounter, ScanProgress& progress);

// Starts the workers and the coordinator and waits for all of them; ends the calling
// thread through failOutOfMemory when any of them ran out of memory.
void runWalkPool(WalkState* state, Tree& tree, std::vector<int32_t>& queue,
                 int64_t nodeCounter, ScanProgress& progress);
