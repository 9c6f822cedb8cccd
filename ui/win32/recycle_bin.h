// Asking the Windows shell to delete one item, to the Recycle Bin or permanently,
// and what the system says about an item right before it goes.
//
// Threading: the deletion thread. Each shell call initialises COM on the calling
// thread for its own operation and uninitialises it again.
#pragma once
#include "ui/deletion_job.h"
#include <windows.h>
#include <cstdint>
#include <string_view>

// The shell's file operation over the one item at `path`: IFileOperation, or where
// the system does not implement it (Wine) SHFileOperationW with the same flags.
// Returns 0 when the item was deleted, else the Windows error that says why
// (ERROR_CANCELLED when the shell aborted it, also when the user said no to its own
// question). `owner` owns whatever the shell shows.
uint32_t shellDeleteItem(std::u16string_view path, DeletionMode mode, HWND owner);

// Whether the drive holding `path` takes items into its Recycle Bin: only fixed
// drives do. A path whose volume cannot be found is left to the shell.
bool driveHasRecycleBin(std::u16string_view path);

// The item is opened for deletion, without following a link at its end, the way the
// shell will have to: a file another program holds open without delete sharing
// fails here with the sharing violation. Identity of what was opened is compared
// with what the check saw. kItemPending when the shell may go ahead.
ItemOutcome openForDeletion(std::u16string_view path, const PathFacts& checked);

// What the deletion thread asks of Windows (runDeletionJob): the check of every
// folder on the path and of the item, the Recycle Bin's drive rule, the item opened
// for deletion, then the shell. `onProgress` is called on the deletion thread.
class ShellDeletionBackend : public DeletionBackend {
 public:
  PathFacts query(std::u16string_view path) override;
  bool hasRecycleBin(std::u16string_view path) override;
  ItemOutcome remove(const DeletionJob& job, size_t index, const PathFacts& checked) override;
  void progressed(bool finished) override;

  HWND owner = nullptr;
  void (*onProgress)(void* context, bool finished) = nullptr;
  void* context = nullptr;
};
