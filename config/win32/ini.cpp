// Settings access through the Windows profile functions.
#include "config/settings.h"
#include <vector>
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

namespace {
// The profile functions want NUL-terminated texts.
struct WideText {
  std::u16string text;
  explicit WideText(std::u16string_view view) : text(view.substr(0, view.find(u'\0'))) {}
  const wchar_t* get() const { return reinterpret_cast<const wchar_t*>(text.c_str()); }
};
}

std::u16string readIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, uint32_t bufferUnits) {
  std::vector<wchar_t> buffer(bufferUnits > 0 ? bufferUnits : 1);
  DWORD length = GetPrivateProfileStringW(WideText(section).get(), WideText(key).get(), WideText(fallback).get(),
                                          buffer.data(), static_cast<DWORD>(buffer.size()), WideText(file).get());
  if (length >= buffer.size()) length = static_cast<DWORD>(buffer.size() - 1);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

int32_t readIniInt(std::u16string_view file, std::u16string_view section, std::u16string_view key) {
  return static_cast<int32_t>(GetPrivateProfileIntW(WideText(section).get(), WideText(key).get(), 0, WideText(file).get()));
}

bool writeIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
  return WritePrivateProfileStringW(WideText(section).get(), WideText(key).get(), WideText(value).get(),
                                    WideText(file).get()) != 0;
}

void createSettingsDirectory(std::u16string_view directory) {
  CreateDirectoryW(WideText(directory).get(), nullptr);
}

bool isExistingFile(std::u16string_view path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(WideText(path).get());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string executableDirectory() {
  // Grown until the whole path fits: a cut path would name some other folder.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::u16string();
    if (length < buffer.size()) {
      std::u16string path(reinterpret_cast<const char16_t*>(buffer.data()), length);
      size_t slash = path.find_last_of(u'\\');
      return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
    }
    if (buffer.size() >= 32768) return std::u16string();
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string userSettingsDirectory() {
  std::u16string base = u".";
  PWSTR known = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known)) && known)
    base = reinterpret_cast<const char16_t*>(known);
  CoTaskMemFree(known);
  return base + u"\\Mossbloom";
}
