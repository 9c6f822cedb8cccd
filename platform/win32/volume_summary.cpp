// Volume summary on Windows: the volume holding a path, its sizes, label and file system.
//
// Threading: any thread.
#include "platform/volume.h"
#include "platform/win32/wide.h"
#include <windows.h>

VolumeSummary volumeSummaryFor(std::u16string_view path) {
  VolumeSummary volume;
  std::wstring widePath = toWide(path);
  wchar_t volumePath[MAX_PATH] = {};
  if (!GetVolumePathNameW(widePath.c_str(), volumePath, MAX_PATH)) return volume;
  ULARGE_INTEGER available, total, totalFree;
  if (GetDiskFreeSpaceExW(volumePath, &available, &total, &totalFree)) {
    volume.capacity = static_cast<int64_t>(total.QuadPart);
    volume.freeBytes = static_cast<int64_t>(totalFree.QuadPart);
  }
  wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(volumePath, label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1)) {
    volume.label = fromWide(label);
    volume.fileSystem = fromWide(fileSystem);
  }
  return volume;
}
