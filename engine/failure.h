// Why an engine operation failed, as values. The engine writes no texts for these:
// the headless modes print them in English (app/failure_text.h), the window shows
// them from the language pack (ui/failure_text.h), each from one table.
//
// Threading: plain values, copied with the result that carries them.
#pragma once
#include <cstdint>

// Why the fast scan could not read the table; None when it did. In the order of the
// language pack's texts for them.
enum class MftFailure : uint8_t {
  None,
  NotLocalDrivePath,
  AdministratorRightsRequired,
  CannotOpenVolume,
  NotNtfsVolume,
  CannotReadMft,
  CannotDecodeRunList,
  Cancelled,
  ReadError,
  RootRecordMissing,
  FolderNotFound,
};

// Why a CSV export wrote no file.
enum class ExportFailureReason : uint8_t {
  None,
  System,        // `systemError` says why
  OutOfMemory,
  Stopped,
};

struct ExportFailure {
  ExportFailureReason reason = ExportFailureReason::None;
  uint32_t systemError = 0;   // the system's error code, for System
};

// Why a CSV import built no tree.
enum class ImportFailureReason : uint8_t {
  None,
  NotAnExport,      // empty, or no header line and first row of an export
  System,           // `systemError` says why the file could not be read
  NotRegularFile,   // a pipe or device would never end, or wait for a writer forever
  ChangedWhileRead, // a tree of neither version would come out
  OutOfMemory,
  Stopped,
};

struct ImportFailure {
  ImportFailureReason reason = ImportFailureReason::None;
  uint32_t systemError = 0;   // the system's error code, for System
};
