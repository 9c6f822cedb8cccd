// CSV export and import of a Tree in the WizTree column layout (UTF-8 with a byte
// order mark, one quoted path and ten numeric/text columns per row).
//
// Threading: exportCsv and importCsvFile each run their body on an engine thread
// and wait for it (a large import parses on one more thread while another builds
// the tree); only the ScanProgress is shared (lock-free) with other threads.
//
// Sections: volume facts · export · rows and header · import
#pragma once
#include "engine/failure.h"
#include "engine/tree.h"
#include "platform/volume.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// --- Volume facts ------------------------------------------------------------------
// The title line and the root row's drive columns carry a VolumeSummary (platform/volume.h).

// Separator of paths under `rootPath`: `/` for a root that starts with one (native
// scans), `\` for drive letters and UNC roots, the platform's own otherwise. Export
// and import both use it, so files from either build read on both.
char16_t csvSeparatorFor(std::u16string_view rootPath);

// --- Export ------------------------------------------------------------------------------
// Writes `tree` to `path` (created, or replaced once the new file is complete).
// progress.total receives the row count, progress.done the rows written;
// progress.cancel stops. On failure whatever was at `path` is left as it was and
// `failure` says why (stopped, out of memory, or the system's error code).
bool exportCsv(const Tree& tree, std::u16string_view path, ScanProgress& progress,
               ExportFailure& failure);
// (The volume facts are the tree's sourceVolume when it has them, else the system's.)
// The same with the volume facts given by the caller (the window's drive list, tests).
bool exportCsvWithVolume(const Tree& tree, std::u16string_view path, const VolumeSummary& volume,
                         ScanProgress& progress, ExportFailure& failure);

inline constexpr std::u16string_view kCsvTitlePrefix = u"Mossbloom export \u00B7 ";
inline constexpr std::u16string_view kCsvTitleSeparator = u" \u00B7 ";
inline constexpr std::string_view kCsvHeaderLine =
    "File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE";

// --- Rows and header -------------------------------------------------------------------
struct CsvRow {
  std::u16string path;
  int64_t size = 0;
  int64_t allocated = 0;
  std::u16string modified;
  int64_t attributes = 0;
  int64_t capacity = 0;   // only meaningful on the first row
  int64_t freeBytes = 0;
};

struct CsvHeader {
  std::u16string label;
  std::u16string fileSystem;
  std::u16string rootPath;   // trailing separator removed unless the path is X:\ or /
  char16_t driveLetter = 0;  // upper-case letter when the root path is X:..., else 0
  int64_t capacity = 0;
  int64_t freeBytes = 0;
  size_t bodyOffset = 0;     // bytes of the data up to the line after the first row
};

// One row without its line end. False when it has no quoted path or fewer than four fields.
bool parseCsvRow(const uint8_t* line, size_t length, CsvRow& row);

// Year-first local date and time ("2024/03/05 14:07:09", "2024-03-05T14:07:09") to a
// FILETIME; 0 for an empty, impossible or day-first text or a year of 1600 and before.
int64_t parseCsvTime(std::u16string_view text);

// Title line (optional), column header line and first data row. A column header on the
// very first line (files without a title) is taken as well.
bool readCsvHeader(const uint8_t* bytes, size_t length, CsvHeader& header, CsvRow& firstRow);

// --- Import ---------------------------------------------------------------------------------
// Builds `tree` (freshly initialised) from the bytes of a CSV file. progress.done counts
// nodes; progress.cancel stops with failure. The tree is not finalized. From 1 MiB of
// rows on, rows are parsed on a second thread: the same tree, built faster. Out of
// memory ends the calling thread as addNode would.
bool importCsv(Tree& tree, const uint8_t* bytes, size_t length, ScanProgress& progress);

struct CsvImportResult {
  bool ok = false;
  ImportFailure failure;         // why not, when not ok
};

// The import thread's body: maps the file, runs importCsv on an engine thread and waits.
// On success the tree is finalized; on any failure it is released (and empty again).
CsvImportResult importCsvFile(Tree& tree, std::u16string_view path, ScanProgress& progress);
