// Folder listing on Windows: GetFileInformationByHandleEx with FileIdExtdDirectoryInfo,
// or FileIdBothDirectoryInfo once the system has rejected the extended class (Wine
// answers 87; older systems 50 or 124). Paths are opened in their \\?\ form.
//
// Sections: paths · volume facts · size on disk · listing
#include "platform/listing.h"
#include "platform/win32/listing_declarations.h"
#include <cstring>

namespace {
const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

constexpr DWORD kCloudMask = 0x441000;   // offline, recall on open, recall on data access
constexpr DWORD kSparse = 0x200;

// The volume path of a folder (C:\, or the mount point holding it); false on failure.
bool volumePathOf(std::u16string_view path, wchar_t (&volume)[MAX_PATH]) {
  std::u16string p(path);
  return GetVolumePathNameW(wide(p), volume, MAX_PATH) != 0;
}
}  // namespace

// --- Paths ----------------------------------------------------------------------------------
void appendListingPath(std::u16string& out, std::u16string_view fullPath) {
  if (fullPath.rfind(u"\\\\?\\", 0) == 0 || fullPath.rfind(u"\\\\.\\", 0) == 0) {
    out += fullPath;
  } else if (fullPath.rfind(u"\\\\", 0) == 0) {
    // \\server\share: the plain \\?\ prefix would make it an invalid name.
    out += u"\\\\?\\UNC\\";
    out += fullPath.substr(2);
  } else {
    out += u"\\\\?\\";
    out += fullPath;
  }
}

void prepareListingThread() {}

// --- Volume facts ------------------------------------------------------------------------------
VolumeFacts readVolumeFacts(std::u16string_view rootPath) {
  VolumeFacts facts;
  wchar_t volume[MAX_PATH];
  if (!volumePathOf(rootPath, volume)) return facts;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (GetDiskFreeSpaceW(volume, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters) &&
      sectorsPerCluster && bytesPerSector)
    facts.clusterSize = static_cast<int64_t>(sectorsPerCluster) * bytesPerSector;
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
    facts.isNtfs = wcscmp(fileSystem, L"NTFS") == 0;
  // NTFS file ids: the low 48 bits are the file record number, the rest a sequence number.
  facts.fileIdMask = facts.isNtfs ? 0xFFFFFFFFFFFFull : 0;
  return facts;
}

bool isSolidState(std::u16string_view rootPath) {
  wchar_t volume[MAX_PATH];
  if (!volumePathOf(rootPath, volume)) return false;
  wchar_t name[MAX_PATH];
  if (!GetVolumeNameForVolumeMountPointW(volume, name, MAX_PATH)) return false;
  size_t length = wcslen(name);
  if (length && name[length - 1] == L'\\') name[length - 1] = 0;
  HANDLE device = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  StoragePropertyQuery query = {kStorageDeviceSeekPenaltyProperty, 0, {0}};
  SeekPenaltyDescriptor answer = {};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(device, kIoctlStorageQueryProperty, &query, sizeof query, &answer, sizeof answer,
                            &returned, nullptr);
  CloseHandle(device);
  return ok && returned >= sizeof answer && !answer.IncursSeekPenalty;
}

int logicalProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

bool readPathFacts(std::u16string_view path, int64_t& filetime, uint32_t& attributes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::u16string p(path);
  if (!GetFileAttributesExW(wide(p), GetFileExInfoStandard, &data)) {
    // Roots beyond MAX_PATH only open in their \\?\ form.
    std::u16string prefixed;
    appendListingPath(prefixed, path);
    if (!GetFileAttributesExW(wide(prefixed), GetFileExInfoStandard, &data)) return false;
  }
  filetime = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                  data.ftLastWriteTime.dwLowDateTime);
  attributes = data.dwFileAttributes;
  return true;
}

// --- Size on disk -----------------------------------------------------------------------------
namespace {
int64_t sizeOnDisk(const ListingContext& context, std::u16string& folderPath, const WCHAR* name,
                   uint32_t length, DWORD attributes, int64_t endOfFile, int64_t allocation) {
  // online-only cloud files occupy nothing
  if (attributes & kCloudMask) return 0;
  int64_t cluster = context.clusterSize > 0 ? context.clusterSize : 4096;
  if (!context.isNtfs) return endOfFile + cluster - 1 - ((endOfFile + cluster - 1) % cluster);
  // Not whole clusters: the data lives inside the file record.
  if (allocation % cluster != 0) return 0;
  if ((attributes & kSparse) || endOfFile == 0 || allocation > 0) return allocation;
  // Data but no allocation: rare (compressed or in flux); ask the system.
  size_t keep = folderPath.size();
  folderPath.append(reinterpret_cast<const char16_t*>(name), length);
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetCompressedFileSizeW(wide(folderPath), &high);
  DWORD error = GetLastError();
  folderPath.resize(keep);
  if (low == INVALID_FILE_SIZE && error != NO_ERROR) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool isDotEntry(const WCHAR* name, uint32_t length) {
  return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

int64_t quad(const LARGE_INTEGER& v) { return v.QuadPart; }

template <typename Entry>
void appendEntries(ListingContext& context, std::u16string& path, const void* buffer,
                   std::vector<uint64_t>& entries) {
  const BYTE* at = static_cast<const BYTE*>(buffer);
  for (;;) {
    const Entry* e = reinterpret_cast<const Entry*>(at);
    uint32_t length = e->FileNameLength / sizeof(WCHAR);
    if (!isDotEntry(e->FileName, length)) {
      uint64_t fileId;
      memcpy(&fileId, &e->FileId, sizeof fileId);   // the first 64 bits of either id form
      int64_t size = 0, onDisk = 0;
      if (!(e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        size = quad(e->EndOfFile);
        onDisk = sizeOnDisk(context, path, e->FileName, length, e->FileAttributes, size, quad(e->AllocationSize));
      }
      appendEntryRecord(entries, size, onDisk, quad(e->LastWriteTime), fileId, e->FileAttributes,
                        reinterpret_cast<const char16_t*>(e->FileName), length);
    }
    if (!e->NextEntryOffset) break;
    at += e->NextEntryOffset;
  }
}

// One listing call; a fault from the test hook stands in for the system's answer.
bool listingCall(HANDLE folder, std::u16string_view path, int infoClass, void* buffer, int call) {
  if (int32_t fault = listingFault(path, ListingStep::Read, call)) {
    SetLastError(static_cast<DWORD>(fault));
    return false;
  }
  return GetFileInformationByHandleEx(folder, static_cast<FILE_INFO_BY_HANDLE_CLASS>(infoClass), buffer,
                                      static_cast<DWORD>(kListingBufferBytes)) != 0;
}
}  // namespace

// --- Listing ------------------------------------------------------------------------------------
void closeAbandonedFolder(intptr_t& openFolder) {
  if (openFolder != kNoOpenFolder) CloseHandle(reinterpret_cast<HANDLE>(openFolder));
  openFolder = kNoOpenFolder;
}

int32_t listFolder(ListingContext& context, std::u16string& path, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder) {
  if (int32_t fault = listingFault(path, ListingStep::Open, 0)) return fault;
  HANDLE folder = CreateFileW(wide(path), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error ? static_cast<int32_t>(error) : ERROR_ACCESS_DENIED;
  }
  openFolder = reinterpret_cast<intptr_t>(folder);
  int call = 0;
  bool extended = context.useExtendedInfo.load(std::memory_order_relaxed);
  if (extended) {
    for (;; call++) {
      if (listingCall(folder, path, kFileIdExtdDirectoryInfo, buffer, call)) {
        appendEntries<ExtendedDirectoryEntry>(context, path, buffer, entries);
        continue;
      }
      DWORD error = GetLastError();
      if (call == 0 && (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL)) {
        // The failed call read nothing: the same handle lists from the start again.
        context.useExtendedInfo.store(0, std::memory_order_relaxed);
        extended = false;
        call++;
      }
      break;
    }
  }
  if (!extended) {
    for (; listingCall(folder, path, kFileIdBothDirectoryInfo, buffer, call); call++)
      appendEntries<BothDirectoryEntry>(context, path, buffer, entries);
  }
  openFolder = kNoOpenFolder;
  CloseHandle(folder);
  return 0;
}
