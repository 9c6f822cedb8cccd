// The running process, the machine and other processes on Windows.
#include "platform/process.h"
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

uint64_t installedMemoryBytes() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

bool wasLaunchedInteractively() {
  FILETIME created, exited, kernel, user, now;
  LASTINPUTINFO input = {sizeof input, 0};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user) || !GetLastInputInfo(&input))
    return true;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  uint64_t ageMs = ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10000 : 0;
  uint32_t sinceInputMs = GetTickCount() - input.dwTime;  // unsigned: survives the 49-day wrap
  return sinceInputMs < ageMs + 3000;
}

void waitForProcessEnd(int32_t processId, uint32_t timeoutMs) {
  if (processId == 0) return;
  if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId))) {
    WaitForSingleObject(process, timeoutMs);
    CloseHandle(process);
  }
}

void sleepMs(uint32_t ms) { Sleep(ms); }
