// Deleting for real natively. There is no Recycle Bin here, so every item asks the
// permanent question first; deleting permanently walks down from the scanned root
// one folder at a time, each opened without following links and on the root's own
// device, checks that the item is still the entry the check saw, and removes a
// folder's contents through its open handle. Nothing outside the item is removed:
// links inside are removed themselves, never followed; mount points are never entered.
//
// Threading: the deletion thread (runDeletionJob); `onProgress` is called there.
#pragma once
#include "ui/deletion_job.h"

class NativeDeletionBackend : public DeletionBackend {
 public:
  PathFacts query(std::u16string_view path) override;
  bool hasRecycleBin(std::u16string_view path) override;
  ItemOutcome remove(const DeletionJob& job, size_t index, const PathFacts& checked) override;
  void progressed(bool finished) override;

  void (*onProgress)(void* context, bool finished) = nullptr;
  void* context = nullptr;
};
