#include "engine/drives.h"
#include "engine/csv.h"
#include "engine/tree.h"
#include <algorithm>

namespace {
constexpr size_t kCsvStartBytes = 65536;

int64_t clampedBytes(uint64_t bytes) { return bytes > uint64_t(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes); }
}  // namespace

std::vector<DriveEntry> drivesFromVolumes(const std::vector<DriveVolume>& volumes) {
  std::vector<DriveEntry> drives;
  for (const DriveVolume& volume : volumes) {
    DriveEntry entry;
    entry.label = !volume.label.empty() ? volume.label : volume.removable ? u"Removable Disk" : u"Local Disk";
    entry.fileSystem = volume.fileSystem;
    entry.rootPath = volume.rootPath;
    entry.totalBytes = clampedBytes(volume.totalBytes);
    entry.freeBytes = clampedBytes(volume.freeBytes);
    entry.letter = volume.letter;
    drives.push_back(std::move(entry));
  }
  return drives;
}

std::u16string labelFromCsvFileName(std::u16string_view csvPath) {
  size_t slash = csvPath.find_last_of(u"\\/");
  std::u16string_view name = slash == std::u16string_view::npos ? csvPath : csvPath.substr(slash + 1);
  size_t dot = name.rfind(u'.');
  std::u16string_view stem = dot == std::u16string_view::npos ? name : name.substr(0, dot);
  if (!stem.empty() && stem.back() == u')') {
    size_t open = stem.rfind(u" (");
    if (open != std::u16string_view::npos) return std::u16string(stem.substr(0, open));
  }
  return u"Local Disk";
}

bool driveFromCsvStart(std::u16string_view csvPath, const uint8_t* bytes, size_t length, DriveEntry& entry) {
  CsvHeader header;
  CsvRow firstRow;
  if (!readCsvHeader(bytes, length, header, firstRow)) return false;
  char16_t letter = header.driveLetter;
  bool hasLetter = letter >= u'A' && letter <= u'Z';
  // Natively an export of a mount point or folder stands for its own drive.
  bool nativeRoot = kPathSeparator == u'/' && header.rootPath.starts_with(u'/');
  if (!hasLetter && !nativeRoot) return false;
  entry = DriveEntry{};
  entry.label = !header.label.empty() ? header.label : labelFromCsvFileName(csvPath);
  entry.csvPath = csvPath;
  entry.fileSystem = header.fileSystem;
  entry.rootPath = header.rootPath;
  entry.totalBytes = header.capacity;
  entry.freeBytes = header.freeBytes;
  entry.letter = hasLetter ? letter : 0;
  return true;
}

std::vector<DriveEntry> enumerateDrives(std::u16string_view importPath) {
  std::vector<DriveEntry> drives;
  if (importPath.empty()) {
    drives = drivesFromVolumes(listDriveVolumes());
  } else {
    std::vector<uint8_t> bytes;
    for (const std::u16string& file : listImportFiles(importPath)) {
      DriveEntry entry;
      if (readFileStart(file, kCsvStartBytes, bytes) && driveFromCsvStart(file, bytes.data(), bytes.size(), entry))
        drives.push_back(std::move(entry));
    }
  }
  std::stable_sort(drives.begin(), drives.end(),
                   [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
  return drives;
}

std::u16string driveName(const DriveEntry& entry) {
  return entry.letter ? std::u16string(1, entry.letter) : entry.rootPath;
}
