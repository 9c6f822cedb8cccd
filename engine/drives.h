// The drive list: one entry per drive that can be scanned or, when CSV files were
// given to import, one per file in their place. Built once per process; the window's
// sidebar and the policy dump read the same list.
//
// Threading: built on the start-up thread; read-only afterwards.
#pragma once
#include "platform/drives.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct DriveEntry {
  std::u16string label;        // volume label, "Local Disk" / "Removable Disk" without one; a CSV's label
  std::u16string csvPath;      // empty for a real drive
  std::u16string fileSystem;
  std::u16string rootPath;     // X:\ (natively the mount point); a CSV's root path
  int64_t totalBytes = 0;
  int64_t freeBytes = 0;
  char16_t letter = 0;         // upper case; 0 natively, where drives are mount points
};

// Without an import path: the drives of listDriveVolumes. With one: the CSV files it
// names (listImportFiles) whose first 64 KiB hold an export of a drive, each with
// the drive facts from its title and first row. Ordered by letter, A to Z, keeping
// the order of equal letters.
std::vector<DriveEntry> enumerateDrives(std::u16string_view importPath);

// The two halves of enumerateDrives, for tests and callers with their own volumes.
std::vector<DriveEntry> drivesFromVolumes(const std::vector<DriveVolume>& volumes);
// False when the bytes hold no export of a drive (natively: nor of a folder path).
bool driveFromCsvStart(std::u16string_view csvPath, const uint8_t* bytes, size_t length, DriveEntry& entry);

// The label a CSV file's name gives when its title has none: "Local Disk (C).csv"
// gives "Local Disk"; a name whose stem does not end with `)` gives "Local Disk".
std::u16string labelFromCsvFileName(std::u16string_view csvPath);

// The drive's name in lists and the policy dump: its letter, natively its root path.
std::u16string driveName(const DriveEntry& entry);
