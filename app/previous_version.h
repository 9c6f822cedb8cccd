// The executable an update replaced, `<executable>.old`: deleted at start, or
// after an update once the old process has ended.
//
// Threading: the start-up thread; the clean-up after an update runs on a thread
// of its own that nobody waits for (the process may end before it does).
#pragma once
#include "platform/platform.h"
#include <cstdint>
#include <string>

// One try, failures ignored: an update never ran, or the file is still in use.
void deletePreviousVersion(const std::u16string& executable);
// Waits up to 60 s for process `processId` (0, or one that cannot be seen: no
// wait), then tries up to 40 times, 250 ms apart, to delete `<executable>.old`. The
// thread ends with 0 once the file is gone, 1 when it stayed; the start lets it
// run unjoined (see forgetThread).
Thread startPreviousVersionCleanup(int32_t processId, const std::u16string& executable);
