// The program's folder from its module path, the settings folder under Roaming AppData.
//
// Threading: any thread.
#include "platform/program_folders.h"
#include "platform/win32/wide.h"
#include <vector>
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

void createSettingsDirectory(std::u16string_view directory) {
  CreateDirectoryW(wide(terminated(directory)), nullptr);
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
