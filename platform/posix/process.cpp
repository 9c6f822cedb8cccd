// The running process, the machine and other processes on Linux.
#include "platform/process.h"
#include "base/utf.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

ExecutableFile executableFile() {
  ExecutableFile file;
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return file;
  path[n] = 0;
  std::string_view text(path, static_cast<size_t>(n));
  size_t slash = text.rfind('/');
  file.reportedName = utf16FromUtf8(slash == std::string_view::npos ? text : text.substr(slash + 1));
  struct stat info;
  if (stat(path, &info) == 0) file.bytes = info.st_size;
  return file;
}

uint64_t installedMemoryBytes() {
  long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageBytes > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageBytes) : 0;
}

// No input history to ask natively: count every start as the user's own.
bool wasLaunchedInteractively() { return true; }

void waitForProcessEnd(int32_t processId, uint32_t timeoutMs) {
  if (processId <= 0) return;
  // Another program's process cannot be waited on here, only looked at: poll until
  // it is gone (a child that has ended but was not reaped still counts as there).
  for (uint32_t waited = 0; waited < timeoutMs; waited += 20) {
    if (kill(processId, 0) != 0 && errno == ESRCH) return;
    sleepMs(20);
  }
}

void sleepMs(uint32_t ms) {
  timespec pause{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}
