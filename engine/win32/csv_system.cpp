// CSV file pieces on Windows: overlapped writes with one in flight, a read-only
// file mapping, local time through the current time zone, user-locale name order.
//
// Threading: a CsvFileWriter is used by one thread; the system completes its write
// in the background and signals the event.
//
// Sections: error texts · writer · mapped file · local time · name order · volume
#include "engine/csv.h"
#include "engine/csv_system.h"
#include "platform/platform.h"
#include <windows.h>
#include <cstdio>
#include <string>

namespace {
const wchar_t* widePath(const std::wstring& path) { return path.c_str(); }
std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string fromWide(const wchar_t* text, size_t length) { return std::u16string(text, text + length); }
}  // namespace

// --- Error texts -------------------------------------------------------------------------
std::u16string systemErrorText(uint32_t code) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  for (DWORD language : {DWORD{1033}, DWORD{0}}) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(flags, nullptr, code, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length && text) {
      while (length && (text[length - 1] == L' ' || text[length - 1] == L'\r' || text[length - 1] == L'\n')) length--;
      std::u16string result = fromWide(text, length);
      LocalFree(text);
      return result;
    }
    if (text) LocalFree(text);
  }
  char fallback[48];
  std::snprintf(fallback, sizeof fallback, "Windows error %lu.", static_cast<unsigned long>(code));
  return std::u16string(fallback, fallback + std::char_traits<char>::length(fallback));
}

// --- Writer -----------------------------------------------------------------------------------
struct CsvFileWriter {
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

void waitForWrite(CsvFileWriter* writer) {
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

CsvFileWriter* openCsvFileWriter(std::u16string_view path, uint32_t& error) {
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
  auto* writer = new CsvFileWriter;
  writer->file = file;
  writer->event = event;
  writer->targetPath = target;
  writer->temporaryPath = temporary;
  return writer;
}

bool writeCsvChunk(CsvFileWriter* writer, const char16_t* text, size_t length) {
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

uint32_t closeCsvFileWriter(CsvFileWriter* writer, bool complete) {
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
bool loadCsvFile(std::u16string_view path, CsvFileBytes& file, uint32_t& error) {
  file = CsvFileBytes{};
  error = 0;
  std::wstring wide = toWide(path);
  HANDLE handle = CreateFileW(widePath(wide), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  // Only a file on disk: a pipe or a device would have no size to map.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    error = kCsvNotAFile;
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

void releaseCsvFile(CsvFileBytes& file) {
  if (file.data) UnmapViewOfFile(file.data);
  if (file.handles[1]) CloseHandle(file.handles[1]);
  if (file.handles[0]) CloseHandle(file.handles[0]);
  file = CsvFileBytes{};
}

// --- Local time ------------------------------------------------------------------------------------
namespace {
thread_local DYNAMIC_TIME_ZONE_INFORMATION tZone;
thread_local bool tZoneKnown = false;

// Wine (8.0) exports the ...Ex time-zone conversions as stubs that abort when called;
// there the classic calls with the current zone do the same job.
bool lacksExZoneCalls() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}
}  // namespace

void prepareLocalTime() {
  tZoneKnown = GetDynamicTimeZoneInformation(&tZone) != TIME_ZONE_ID_INVALID;
}

bool localTimeText(int64_t filetime, char16_t* out) {
  if (!tZoneKnown) prepareLocalTime();
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(filetime);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(filetime) >> 32);
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&ft, &utc)) return false;
  BOOL converted = lacksExZoneCalls() ? SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)
                                      : SystemTimeToTzSpecificLocalTimeEx(tZoneKnown ? &tZone : nullptr, &utc, &local);
  if (!converted) return false;
  wchar_t date[16], time[16];
  int dateLength = GetDateFormatEx(L"", 0, &local, L"yyyy'/'MM'/'dd", date, 16, nullptr);
  int timeLength = GetTimeFormatEx(L"", 0, &local, L"HH':'mm':'ss", time, 16);
  // Both lengths count the terminating NUL; the field is 19 units or nothing.
  if (dateLength != 11 || timeLength != 9) return false;
  for (int i = 0; i < 10; i++) out[i] = static_cast<char16_t>(date[i]);
  out[10] = u' ';
  for (int i = 0; i < 8; i++) out[11 + i] = static_cast<char16_t>(time[i]);
  return true;
}

int64_t filetimeFromLocal(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME utc;
  FILETIME ft;
  BOOL converted = lacksExZoneCalls() ? TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)
                                      : TzSpecificLocalTimeToSystemTimeEx(nullptr, &local, &utc);
  if (!converted) return 0;
  if (!SystemTimeToFileTime(&utc, &ft)) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// --- Name order ----------------------------------------------------------------------------------------
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(a),
                               static_cast<int>(aLength), reinterpret_cast<const wchar_t*>(b),
                               static_cast<int>(bLength), nullptr, nullptr, 0);
  return result == 0 ? 0 : result - CSTR_EQUAL;
}

// --- Volume --------------------------------------------------------------------------------------------
CsvVolume csvVolumeFor(std::u16string_view path) {
  CsvVolume volume;
  std::wstring wide = toWide(path);
  wchar_t volumePath[MAX_PATH] = {};
  if (!GetVolumePathNameW(wide.c_str(), volumePath, MAX_PATH)) return volume;
  ULARGE_INTEGER available, total, totalFree;
  if (GetDiskFreeSpaceExW(volumePath, &available, &total, &totalFree)) {
    volume.capacity = static_cast<int64_t>(total.QuadPart);
    volume.freeBytes = static_cast<int64_t>(totalFree.QuadPart);
  }
  wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(volumePath, label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1)) {
    volume.label = fromWide(label, wcslen(label));
    volume.fileSystem = fromWide(fileSystem, wcslen(fileSystem));
  }
  return volume;
}
