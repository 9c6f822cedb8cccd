#include "tests/support/held_open.h"
#include "base/utf.h"
#include <windows.h>

// An open that shares nothing fails while any other handle to the folder is open.
bool folderHeldOpen(const std::string& path) {
  std::u16string wide = utf16FromUtf8(path);
  HANDLE folder = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), FILE_LIST_DIRECTORY, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder != INVALID_HANDLE_VALUE) {
    CloseHandle(folder);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}
