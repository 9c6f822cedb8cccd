#include "app/bench_system.h"
#include "base/utf.h"
#include <climits>
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

std::u16string_view defaultBenchPath() { return u"/"; }

uint64_t installedMemoryBytes() {
  long pages = sysconf(_SC_PHYS_PAGES), pageBytes = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageBytes > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageBytes) : 0;
}
