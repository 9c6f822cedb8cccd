// The deletion job: what the window hands the deletion thread, the check made on
// disk right before each item goes, the thread's loop over the items, and what came
// of each item.
//
// Threading. A DeletionJob is built on the window thread (prepareDeletionJob in
// ui/review.h) and owned by the window, beside the ViewState, from before the
// deletion thread starts until after it has been joined. While the thread runs:
//  - the window writes only `cancel` and reads only `progress` (both atomic);
//  - the thread reads everything else that was filled in before it started, writes
//    outcomes[i] before it stores progress i + 1 (release order), and reads `cancel`
//    before each item;
// and the window reads `outcomes` only after joining the thread.
//
// Sections: records · the check · the loop · system codes
#pragma once
#include "engine/tree.h"
#include "platform/path_facts.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// --- Records ---------------------------------------------------------------------------
enum class DeletionMode : uint8_t { RecycleBin = 0, Permanent = 1 };

// Per item.
enum : int32_t {
  kItemPending = -2,       // not reached (the job was cancelled before it)
  kItemFailed = -1,
  kItemDeleted = 0,
  kItemNoRecycleBin = 1,   // its drive has no Recycle Bin: nothing was done
};

// How an item on disk differs from what was scanned, so that it was not deleted.
enum class ItemChange : uint8_t {
  None,
  BecameLink,          // a file or folder replaced by a link, junction or mount point
  LinkReplaced,        // a link replaced by a real file or folder
  FolderBecameFile,
  FileBecameFolder,
  FolderOnPath,        // a folder between the scanned root and the item is no folder any more
  ChangedWhileDeleting,   // another entry took its place between the check and the deletion
};

struct ItemOutcome {
  int32_t result = kItemPending;
  uint32_t code = 0;                 // the system's error code of a failure (Windows error or errno)
  ItemChange change = ItemChange::None;   // set for a failure the check found
};

// What the scan saw of an item.
struct ScannedEntry {
  bool folder = false;
  bool link = false;                 // listed as a reparse point (link, junction, mount point)
};
ScannedEntry scannedEntry(const Tree& tree, int32_t node);

struct DeletionJob {
  DeletionMode mode = DeletionMode::RecycleBin;
  std::u16string rootPath;           // the tree's root: the folders below it on each path are checked
  std::vector<int32_t> nodes;        // in the order they are deleted
  std::vector<std::u16string> paths;
  std::vector<ScannedEntry> scanned;
  std::vector<ItemOutcome> outcomes;
  std::atomic<int64_t> progress{0};  // items processed
  std::atomic<uint8_t> cancel{0};
};

// Fills a job over `nodes` of `tree`: paths, what was scanned, outcomes pending,
// progress 0 and no cancel.
void fillDeletionJob(DeletionJob& job, const Tree& tree, DeletionMode mode, const std::vector<int32_t>& nodes);
// The nodes of the items the job deleted, in job order.
std::vector<int32_t> deletedNodes(const DeletionJob& job);

// --- The check ---------------------------------------------------------------------------
// Whether the entry now at an item's path is still what was scanned: a link for a
// link, else a folder for a folder and a file for a file, neither being a link now.
ItemChange compareWithScan(const ScannedEntry& scanned, const PathFacts& now);
// A folder on the way from the root to an item must still be a plain folder.
ItemChange compareFolderOnPath(const PathFacts& now);
// The folders strictly between `rootPath` and `path`, outermost first.
std::vector<std::u16string_view> foldersOnPath(std::u16string_view rootPath, std::u16string_view path);

// --- The loop ----------------------------------------------------------------------------
// What the deletion thread asks of the system.
class DeletionBackend {
 public:
  virtual ~DeletionBackend() = default;
  virtual PathFacts query(std::u16string_view path) = 0;
  // Whether the drive holding `path` has a Recycle Bin (asked in RecycleBin mode).
  virtual bool hasRecycleBin(std::u16string_view path) = 0;
  // Deletes item `index`, whose check has just passed with `checked`; returns
  // kItemDeleted or a failure.
  virtual ItemOutcome remove(const DeletionJob& job, size_t index, const PathFacts& checked) = 0;
  // Item progress was stored (finished false), or the loop has ended (finished true).
  virtual void progressed(bool finished) = 0;
};

// The check alone: the folders on the item's path, then the item. Pending when it
// passed, with the item's facts in `facts`; a failure otherwise.
ItemOutcome checkItem(const DeletionJob& job, size_t index, DeletionBackend& backend, PathFacts& facts);

// The deletion thread's body: each item in order until `cancel` is seen: the check;
// in RecycleBin mode, an item whose drive has no Recycle Bin is left for the
// permanent question; otherwise it is removed. Its outcome is stored, progress
// counted and reported; the end is reported once.
void runDeletionJob(DeletionJob& job, DeletionBackend& backend);

// --- System codes -------------------------------------------------------------------------
// The code whose text explains a failed shell file operation: an HRESULT of
// FACILITY_WIN32 gives its Windows error; the copy engine's errors (0x8027xxxx) the
// Windows errors that say the same; any other HRESULT stays as it is.
uint32_t windowsCodeOfHresult(uint32_t hresult);
// The same for the result of SHFileOperationW (its old DE_* values where it
// returns them instead of Windows errors); `aborted` counts as cancelled.
uint32_t windowsCodeOfShellResult(int32_t result, bool aborted);
