// Volumes (\\.\X:) and image files through synchronous ReadFile at explicit offsets.
#include "platform/volume.h"
#include <windows.h>
#include <winioctl.h>

static HANDLE asHandle(const VolumeHandle& handle) { return reinterpret_cast<HANDLE>(handle.value); }

VolumeOpenResult openNtfsVolume(char16_t driveLetter, VolumeHandle& handle, NtfsVolumeData& data) {
  handle.value = -1;
  wchar_t device[] = L"\\\\.\\X:";
  device[4] = wchar_t(driveLetter);
  HANDLE h = CreateFileW(device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_ACCESS_DENIED ? VolumeOpenResult::AccessDenied : VolumeOpenResult::CannotOpen;
  }
  NTFS_VOLUME_DATA_BUFFER buffer{};
  DWORD returned = 0;
  if (!DeviceIoControl(h, FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &buffer, sizeof buffer, &returned, nullptr)) {
    CloseHandle(h);
    return VolumeOpenResult::NotNtfs;
  }
  data.bytesPerCluster = buffer.BytesPerCluster;
  data.bytesPerRecord = buffer.BytesPerFileRecordSegment;
  data.mftValidDataLength = buffer.MftValidDataLength.QuadPart;
  data.mftStartLcn = buffer.MftStartLcn.QuadPart;
  handle.value = reinterpret_cast<intptr_t>(h);
  return VolumeOpenResult::Opened;
}

VolumeOpenResult openVolumeImage(const char* utf8Path, VolumeHandle& handle, uint64_t& bytes) {
  handle.value = -1;
  bytes = 0;
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8Path, -1, nullptr, 0);
  if (units <= 0) return VolumeOpenResult::CannotOpen;
  auto* wide = new wchar_t[size_t(units)];
  MultiByteToWideChar(CP_UTF8, 0, utf8Path, -1, wide, units);
  HANDLE h = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  delete[] wide;
  if (h == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_ACCESS_DENIED ? VolumeOpenResult::AccessDenied : VolumeOpenResult::CannotOpen;
  }
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0) bytes = uint64_t(size.QuadPart);
  handle.value = reinterpret_cast<intptr_t>(h);
  return VolumeOpenResult::Opened;
}

bool readVolumeAt(VolumeHandle& handle, uint64_t offset, void* buffer, uint32_t bytes) {
  if (handle.value == -1) return false;
  OVERLAPPED at{};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  return ReadFile(asHandle(handle), buffer, bytes, &got, &at) && got == bytes;
}

void closeVolume(VolumeHandle& handle) {
  if (handle.value != -1) CloseHandle(asHandle(handle));
  handle.value = -1;
}
