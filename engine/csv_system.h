// The operating-system pieces behind CSV export and import, implemented in
// engine/win32/csv_system.cpp and engine/posix/csv_system.cpp: the chunked file
// writer, the file reader, local time both ways, name order, error texts.
//
// Threading: a CsvFileWriter is driven by one thread (the export body); its own
// write may proceed in the background (overlapped I/O or a writer thread).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// --- Error texts ---------------------------------------------------------------------
// The system's message for an error code (Windows error or errno), without trailing
// blanks and line ends; "Windows error %lu." when Windows has none.
std::u16string systemErrorText(uint32_t code);

// --- File writer: one write in flight ------------------------------------------------------
struct CsvFileWriter;

// Starts writing the file at `path`: into a new temporary file beside it, which takes
// the path's place only when complete, so whatever was there survives a failure. An
// existing device or pipe is written into directly (never truncated or removed); a
// folder or a file the user may not write is refused. Null with `error` set when the
// file cannot be started.
CsvFileWriter* openCsvFileWriter(std::u16string_view path, uint32_t& error);
// Waits for the previous write, converts the UTF-16 chunk (ending after a whole row)
// to UTF-8 and starts writing it. False once any write has failed.
bool writeCsvChunk(CsvFileWriter* writer, const char16_t* text, size_t length);
// Waits for the last write and closes the file. When `complete` and nothing failed,
// the flushed file replaces the target; otherwise only the temporary file is removed.
// Returns the first error of writing, flushing or replacing, 0 if none.
uint32_t closeCsvFileWriter(CsvFileWriter* writer, bool complete);

// --- File reader -------------------------------------------------------------------------
// The whole file in memory for the import. Natively it is read, not mapped: a mapping
// of a file another process shortens turns every later read of it into a bus error.
// Windows maps it and holds it with read-only sharing, so nobody can shorten it.
struct CsvFileBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  void* handles[3] = {};   // platform handles, released by releaseCsvFile
};
// Errors of our own, beside the system's codes: only a regular file on disk is read
// (a pipe would wait for a writer forever), and a file that changes while it is read
// would give a tree of neither version.
constexpr uint32_t kCsvNotAFile = 0xE0000001;
constexpr uint32_t kCsvChangedWhileRead = 0xE0000002;
constexpr uint32_t kCsvOutOfMemory = 0xE0000003;
// False with `error` set (0 for an empty file) when the file cannot be opened or read.
bool loadCsvFile(std::u16string_view path, CsvFileBytes& file, uint32_t& error);
void releaseCsvFile(CsvFileBytes& file);

// --- Local time -------------------------------------------------------------------------
// Picks up the current time zone (natively the TZ variable) for the calls below.
void prepareLocalTime();
// "yyyy/MM/dd HH:mm:ss" of a FILETIME in local time into out[0..18]; false when it
// cannot be converted.
bool localTimeText(int64_t filetime, char16_t* out);
// FILETIME of a validated local date and time; 0 when it cannot be converted.
int64_t filetimeFromLocal(int year, int month, int day, int hour, int minute, int second);

// --- Name order ---------------------------------------------------------------------------
// <0, 0 or >0: the order of two names ignoring case, as the user expects in listings.
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);
