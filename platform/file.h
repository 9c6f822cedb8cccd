// Whole files for export and import: a chunked writer that replaces its target only
// when complete, and a reader that holds a file in memory. Implemented in
// platform/win32/file.cpp and platform/posix/file.cpp.
//
// Threading: a FileWriter is driven by one thread; its own write may proceed in the
// background (overlapped I/O or a writer thread). A FileBytes belongs to its loader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// --- Writer: one write in flight ------------------------------------------------------------
struct FileWriter;

// Starts writing the file at `path`: into a new temporary file beside it, which takes
// the path's place only when complete, so whatever was there survives a failure. An
// existing device or pipe is written into directly (never truncated or removed); a
// folder or a file the user may not write is refused. Null with `error` set when the
// file cannot be started.
FileWriter* openFileWriter(std::u16string_view path, uint32_t& error);
// Waits for the previous write, converts the UTF-16 chunk (ending after a whole row)
// to UTF-8 and starts writing it. False once any write has failed.
bool writeFileChunk(FileWriter* writer, const char16_t* text, size_t length);
// Waits for the last write and closes the file. When `complete` and nothing failed,
// the flushed file replaces the target; otherwise only the temporary file is removed.
// Returns the first error of writing, flushing or replacing, 0 if none.
uint32_t closeFileWriter(FileWriter* writer, bool complete);

// --- Reader ----------------------------------------------------------------------------------
// The whole file in memory. Natively it is read, not mapped: a mapping of a file
// another process shortens turns every later read of it into a bus error. Windows maps
// it and holds it with read-only sharing, so nobody can shorten it.
struct FileBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  void* handles[3] = {};   // platform handles, released by releaseFileBytes
};
// Errors of our own, beside the system's codes: only a regular file on disk is read
// (a pipe would wait for a writer forever), and a file that changes while it is read
// would give a tree of neither version.
constexpr uint32_t kFileNotRegular = 0xE0000001;
constexpr uint32_t kFileChangedWhileRead = 0xE0000002;
constexpr uint32_t kFileOutOfMemory = 0xE0000003;
// False with `error` set (0 for an empty file) when the file cannot be opened or read.
bool loadFileBytes(std::u16string_view path, FileBytes& file, uint32_t& error);
void releaseFileBytes(FileBytes& file);

// --- Removal ---------------------------------------------------------------------------------
// Deletes the file at `path`; true when it is gone afterwards (also when it never was).
bool deleteFileIfPresent(std::u16string_view path);
