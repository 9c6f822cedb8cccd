#include "app/win32/previous_version.h"
#include "platform/platform.h"
#include <windows.h>

namespace {
std::u16string oldPath(const std::u16string& executable) { return executable + u".old"; }

bool deleteFile(const std::u16string& path) {
  return DeleteFileW(reinterpret_cast<const wchar_t*>(path.c_str())) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
}

void deletePreviousVersion(const std::u16string& executable) { deleteFile(oldPath(executable)); }

void startPreviousVersionCleanup(int32_t processId, const std::u16string& executable) {
  std::u16string path = oldPath(executable);
  Thread thread = startClosureThread(0, [processId, path]() -> uint32_t {
    if (processId != 0) {
      if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId))) {
        WaitForSingleObject(process, 60000);
        CloseHandle(process);
      }
    }
    for (int attempt = 0; attempt < 40; attempt++) {
      if (deleteFile(path)) break;
      Sleep(250);
    }
    return 0;
  });
  // Nobody joins it: the process may end while it still waits.
  if (thread.handle) CloseHandle(static_cast<HANDLE>(thread.handle));
}
