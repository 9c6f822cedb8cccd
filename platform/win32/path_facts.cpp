// The path's own entry on Windows: opened with FILE_FLAG_OPEN_REPARSE_POINT, so a
// junction or symbolic link at the end is looked at itself and not followed, and
// asked for its attributes and identity. Where the entry cannot be opened (a file
// the system keeps to itself), GetFileAttributesEx still gives its attributes.
// Every reparse point counts as a link, as it does for the walk, which enters none.
#include "platform/listing.h"
#include "platform/path_facts.h"
#include "platform/win32/wide.h"
#include <windows.h>
#include <string>

PathFacts queryPathFacts(std::u16string_view path) {
  PathFacts facts;
  std::u16string full;
  appendListingPath(full, path);
  uint32_t attributes = 0;
  HANDLE handle = CreateFileW(wide(full), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info)) {
    attributes = info.dwFileAttributes;
    facts.identityKnown = true;
    facts.volume = info.dwVolumeSerialNumber;
    facts.fileId = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  } else {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(full), GetFileExInfoStandard, &data)) {
      facts.error = GetLastError();
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      return facts;
    }
    attributes = data.dwFileAttributes;
  }
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  facts.attributes = attributes;
  facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return facts;
}
