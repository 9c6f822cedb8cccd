// Drives on Windows: the logical drives that are removable or fixed and answer for
// their volume information; import files through FindFirstFileW.
#include "platform/drives.h"
#include "platform/win32/wide.h"
#include <windows.h>

std::vector<DriveVolume> listDriveVolumes() {
  std::vector<DriveVolume> volumes;
  DWORD present = GetLogicalDrives();
  for (int n = 0; n < 26; n++) {
    if (!(present & (1u << n))) continue;
    wchar_t root[] = L"A:\\";
    root[0] = static_cast<wchar_t>(L'A' + n);
    UINT type = GetDriveTypeW(root);
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) continue;
    wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
    // An empty card reader has no volume to show.
    if (!GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
      continue;
    DriveVolume volume;
    volume.rootPath = fromWide(root);
    volume.label = fromWide(label);
    volume.fileSystem = fromWide(fileSystem);
    ULARGE_INTEGER available, total, totalFree;
    if (GetDiskFreeSpaceExW(root, &available, &total, &totalFree)) {
      volume.totalBytes = total.QuadPart;
      volume.freeBytes = totalFree.QuadPart;
    }
    volume.letter = static_cast<char16_t>(u'A' + n);
    volume.removable = type == DRIVE_REMOVABLE;
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

std::vector<std::u16string> listImportFiles(std::u16string_view importPath) {
  std::vector<std::u16string> files;
  std::wstring path = toWide(importPath.substr(0, importPath.find(u'\0')));
  if (path.empty()) return files;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return files;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    files.emplace_back(importPath);
    return files;
  }
  std::wstring folder = path;
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*.csv").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring full = folder + found.cFileName;
    files.emplace_back(full.begin(), full.end());
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

bool readFileStart(std::u16string_view path, size_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::wstring widePath = toWide(path.substr(0, path.find(u'\0')));
  HANDLE file = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.resize(maxBytes);
  size_t got = 0;
  bool ok = true;
  while (got < maxBytes) {
    DWORD chunk = maxBytes - got > (1u << 30) ? (1u << 30) : static_cast<DWORD>(maxBytes - got), read = 0;
    if (!ReadFile(file, bytes.data() + got, chunk, &read, nullptr)) ok = false;
    if (!ok || read == 0) break;
    got += read;
  }
  CloseHandle(file);
  bytes.resize(got);
  return ok;
}
