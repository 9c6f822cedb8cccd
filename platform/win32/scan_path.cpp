#include "platform/scan_path.h"
#include "platform/listing.h"
#include "platform/win32/wide.h"
#include <cwctype>
#include <windows.h>

std::u16string normalizeScanPath(std::u16string_view path, BareDrive bareDrive) {
  std::u16string text(path.substr(0, path.find(u'\0')));
  if (text.empty()) return text;
  if (bareDrive == BareDrive::Root && text.size() == 2 && text[1] == u':') text += u'\\';
  constexpr DWORD kUnits = 1040;
  wchar_t full[kUnits];
  DWORD length = GetFullPathNameW(wide(text), kUnits, full, nullptr);
  if (length >= 1 && length < kUnits) text.assign(reinterpret_cast<const char16_t*>(full), length);
  while (text.size() > 3 && text.back() == u'\\') text.pop_back();
  if (text.size() == 2 && text[1] == u':') text += u'\\';
  text[0] = static_cast<char16_t>(std::towupper(static_cast<wchar_t>(text[0])));
  return text;
}

bool isExistingFolder(std::u16string_view path) {
  std::u16string text(path);
  if (text.empty() || text.find(u'\0') != std::u16string::npos) return false;
  DWORD attributes = GetFileAttributesW(wide(text));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t folderOpenError(std::u16string_view path) {
  std::u16string text(path);
  if (text.empty() || text.find(u'\0') != std::u16string::npos) return ERROR_PATH_NOT_FOUND;
  // Folders beyond MAX_PATH only open in their \\?\ form, as the walk opens them.
  if (text.size() >= MAX_PATH) {
    std::u16string prefixed;
    appendListingPath(prefixed, text);
    text = prefixed;
  }
  DWORD attributes = GetFileAttributesW(wide(text));
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
  HANDLE folder = CreateFileW(wide(text), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
  CloseHandle(folder);
  return 0;
}

bool isExistingFile(std::u16string_view path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(wide(terminated(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
