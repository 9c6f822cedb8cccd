// The volumes a user can pick for a scan, and the few file operations behind the
// drive list's CSV entries. The portable list built from them is engine/drives.h.
// Implemented in platform/win32/drives.cpp and platform/posix/drives.cpp.
//
// Threading: plain calls without shared state; any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct DriveVolume {
  std::u16string rootPath;     // X:\ on Windows, the mount point natively
  std::u16string label;        // the volume label, empty when it has none
  std::u16string fileSystem;
  uint64_t totalBytes = 0;     // both 0 when the free space cannot be read
  uint64_t freeBytes = 0;
  char16_t letter = 0;         // upper case; 0 natively
  bool removable = false;
};

// Windows: the removable and fixed drives A to Z whose volume information can be
// read. Natively: the mount points of file systems on block devices (types that
// /proc/filesystems does not mark `nodev`), in mount order, a mount point hidden by a
// later mount on it taken once.
std::vector<DriveVolume> listDriveVolumes();

// The CSV files an import path names: the path itself when it is a file, else the
// files matching *.csv directly in the folder, in the order the system lists them
// (natively: names ending in .csv in any case). Empty when the path is neither.
std::vector<std::u16string> listImportFiles(std::u16string_view importPath);

// Up to `maxBytes` from the start of a file; false when it cannot be opened or read.
bool readFileStart(std::u16string_view path, size_t maxBytes, std::vector<uint8_t>& bytes);
