// Volumes: what the system tells about the one holding a path (label, file system,
// sizes), and raw, read-only access to a volume or a disk image for the
// master-file-table scan: open, read bytes at an offset, close. Implemented in
// platform/win32/ and platform/posix/ (volume_summary.cpp, volume.cpp).
//
// Threading: any thread may ask for a summary; a handle belongs to the one thread
// that opened it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// --- Summary -------------------------------------------------------------------------
// What the drive list and an export's title line show about a volume.
struct VolumeSummary {
  std::u16string label;        // natively always empty: native volumes have no such label
  std::u16string fileSystem;
  int64_t capacity = 0;
  int64_t freeBytes = 0;
};

// Asks the system about the volume holding `path` (empty/0 for what it cannot tell).
VolumeSummary volumeSummaryFor(std::u16string_view path);

// --- Raw access ----------------------------------------------------------------------

struct VolumeHandle {
  intptr_t value = -1;    // -1: not open
};

// What the file system reports about an NTFS volume (the fields the scan uses).
struct NtfsVolumeData {
  int64_t bytesPerCluster = 0;
  int64_t bytesPerRecord = 0;       // bytes per file-record segment
  int64_t mftValidDataLength = 0;
  int64_t mftStartLcn = 0;
};

enum class VolumeOpenResult : uint8_t { Opened, AccessDenied, CannotOpen, NotNtfs };

// Opens \\.\X: for reading and asks for its NTFS data. Only Windows has such volumes;
// elsewhere the result is CannotOpen.
VolumeOpenResult openNtfsVolume(char16_t driveLetter, VolumeHandle& handle, NtfsVolumeData& data);

// Opens an image file or block device (UTF-8 path) for reading; `bytes` receives its size.
VolumeOpenResult openVolumeImage(const char* utf8Path, VolumeHandle& handle, uint64_t& bytes);

// Reads exactly `bytes` at `offset`; false when the read fails or comes back short.
bool readVolumeAt(VolumeHandle& handle, uint64_t offset, void* buffer, uint32_t bytes);

void closeVolume(VolumeHandle& handle);
