// Files on Windows: overlapped writes with one in flight, a read-only file mapping.
//
// Threading: a FileWriter is used by one thread; the system completes its write in
// the background and signals the event.
//
// Sections: writer · mapped file
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include <windows.h>
#include <string>

// --- Writer -----------------------------------------------------------------------------------
struct FileWriter {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring targetPath;
  std::wstring temporaryPath;   // empty: writing straight into a device or pipe
  HANDLE event = nullptr;
  OVERLAPPED overlapped = {};
  std::string bytes;        // the chunk in flight
  uint64_t offset = 0;      // bytes handed to the system so far
  DWORD requested = 0;
  bool pending = false;
  uint32_t error = 0;
};

namespace {

void waitForWrite(FileWriter* writer) {
  if (!writer->pending) return;
  writer->pending = false;
  DWORD written = 0;
  if (!GetOverlappedResult(writer->file, &writer->overlapped, &written, TRUE) || written < writer->requested) {
    DWORD error = GetLastError();
    if (!writer->error) writer->error = error ? error : ERROR_WRITE_FAULT;
  }
}

}  // namespace

namespace {
LONG gTemporaryCounter = 0;

enum class TargetKind { Missing, File, ReadOnlyFile, Folder, Device };

// What is at the path now. Devices and pipes (NUL, \\.\pipe\...) are no files on disk.
TargetKind targetKind(const std::wstring& path) {
  HANDLE probe = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return TargetKind::Missing;
  TargetKind kind = TargetKind::File;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(probe) != FILE_TYPE_DISK) {
    kind = TargetKind::Device;
  } else if (GetFileInformationByHandle(probe, &info)) {
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) kind = TargetKind::Folder;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) kind = TargetKind::ReadOnlyFile;
  }
  CloseHandle(probe);
  return kind;
}

// A fresh file beside `target`, created exclusively for overlapped writing.
HANDLE createTemporaryBeside(const std::wstring& target, std::wstring& temporary) {
  size_t cut = target.find_last_of(L"\\/:");
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
  for (int attempt = 0; attempt < 100; attempt++) {
    temporary = folder + L"mossbloom-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(InterlockedIncrement(&gTemporaryCounter)) + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}
}  // namespace

FileWriter* openFileWriter(std::u16string_view path, uint32_t& error) {
  std::wstring target = toWide(path);
  std::wstring temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  switch (targetKind(target)) {
    case TargetKind::Folder:
    case TargetKind::ReadOnlyFile:
      // What creating the file in its place would have answered.
      error = ERROR_ACCESS_DENIED;
      return nullptr;
    case TargetKind::Device:
      // Written into as it is; a device is never truncated or removed.
      file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
      break;
    case TargetKind::Missing:
    case TargetKind::File:
      file = createTemporaryBeside(target, temporary);
      break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    if (!error) error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!event) failOutOfMemory();
  auto* writer = new FileWriter;
  writer->file = file;
  writer->event = event;
  writer->targetPath = target;
  writer->temporaryPath = temporary;
  return writer;
}

bool writeFileChunk(FileWriter* writer, const char16_t* text, size_t length) {
  waitForWrite(writer);
  if (writer->error) return false;
  if (length == 0) return true;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
  int units = static_cast<int>(length);
  int needed = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    writer->error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return false;
  }
  if (writer->bytes.size() < static_cast<size_t>(needed)) writer->bytes.resize(static_cast<size_t>(needed));
  WideCharToMultiByte(CP_UTF8, 0, wide, units, writer->bytes.data(), needed, nullptr, nullptr);
  writer->overlapped = {};
  writer->overlapped.Offset = static_cast<DWORD>(writer->offset);
  writer->overlapped.OffsetHigh = static_cast<DWORD>(writer->offset >> 32);
  writer->overlapped.hEvent = writer->event;
  writer->offset += static_cast<uint64_t>(needed);
  writer->requested = static_cast<DWORD>(needed);
  ResetEvent(writer->event);
  if (WriteFile(writer->file, writer->bytes.data(), writer->requested, nullptr, &writer->overlapped) ||
      GetLastError() == ERROR_IO_PENDING) {
    writer->pending = true;
    return true;
  }
  writer->error = GetLastError();
  return false;
}

uint32_t closeFileWriter(FileWriter* writer, bool complete) {
  waitForWrite(writer);
  uint32_t error = writer->error;
  bool replace = !writer->temporaryPath.empty();
  // Flushed before it takes the target's place: a crash never leaves a short file there.
  if (replace && complete && !error && !FlushFileBuffers(writer->file)) error = GetLastError();
  CloseHandle(writer->event);
  CloseHandle(writer->file);
  if (replace) {
    const wchar_t* temporary = writer->temporaryPath.c_str();
    if (complete && !error &&
        !MoveFileExW(temporary, writer->targetPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = GetLastError();
      if (!error) error = ERROR_WRITE_FAULT;
    }
    if (!complete || error) DeleteFileW(temporary);
  }
  delete writer;
  return error;
}

// --- File reader ----------------------------------------------------------------------------------
bool loadFileBytes(std::u16string_view path, FileBytes& file, uint32_t& error) {
  file = FileBytes{};
  error = 0;
  std::wstring widePath = toWide(path);
  HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  // Only a file on disk: a pipe or a device would have no size to map.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    error = kFileNotRegular;
    CloseHandle(handle);
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    error = size.QuadPart <= 0 ? 0 : GetLastError();
    CloseHandle(handle);
    return false;
  }
  HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (!view) {
    error = GetLastError();
    if (mapping) CloseHandle(mapping);
    CloseHandle(handle);
    return false;
  }
  file.data = static_cast<const uint8_t*>(view);
  file.size = static_cast<size_t>(size.QuadPart);
  file.handles[0] = handle;
  file.handles[1] = mapping;
  return true;
}

void releaseFileBytes(FileBytes& file) {
  if (file.data) UnmapViewOfFile(file.data);
  if (file.handles[1]) CloseHandle(file.handles[1]);
  if (file.handles[0]) CloseHandle(file.handles[0]);
  file = FileBytes{};
}

bool deleteFileIfPresent(std::u16string_view path) {
  std::wstring name = toWide(path);
  return DeleteFileW(name.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
