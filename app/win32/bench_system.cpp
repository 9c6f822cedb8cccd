#include "app/bench_system.h"
#include <windows.h>
#include <vector>

ExecutableFile executableFile() {
  // The report names the program, not whatever the file was renamed to.
  ExecutableFile file{u"mossbloom.exe", 0};
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return file;
    if (n < path.size()) break;
    path.resize(path.size() * 2);
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(path.data(), GetFileExInfoStandard, &data))
    file.bytes = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  return file;
}

std::u16string_view defaultBenchPath() { return u"C:\\"; }

uint64_t installedMemoryBytes() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}
