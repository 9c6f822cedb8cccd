#include "app/previous_version.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace {
std::u16string oldPath(const std::u16string& executable) { return executable + u".old"; }
}

void deletePreviousVersion(const std::u16string& executable) { deleteFileIfPresent(oldPath(executable)); }

Thread startPreviousVersionCleanup(int32_t processId, const std::u16string& executable) {
  std::u16string path = oldPath(executable);
  return startClosureThread(0, [processId, path]() -> uint32_t {
    waitForProcessEnd(processId, 60000);
    for (int attempt = 0; attempt < 40; attempt++) {
      if (deleteFileIfPresent(path)) return 0;
      sleepMs(250);
    }
    return 1;
  });
}
