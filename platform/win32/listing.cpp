// Folder listing on Windows: GetFileInformationByHandleEx with FileIdExtdDirectoryInfo,
// or FileIdBothDirectoryInfo once the system has rejected the extended class (Wine
// answers 87; older systems 50 or 124). A folder below the root is opened as itself
// (never through a reparse point): relative to its kept parent's handle (NtCreateFile),
// else by its path in the \\?\ form and recognised by its file id, else from the root
// one name at a time.
//
// Sections: paths · volume facts · size on disk · listing
#include "platform/listing.h"
#include "platform/win32/listing_declarations.h"
#include "platform/win32/wide.h"
#include <cstring>

namespace {
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
  // The volume of the root folder itself (a junction given as the root leads elsewhere).
  std::u16string root;
  appendListingPath(root, rootPath);
  HANDLE folder = CreateFileW(wide(root), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(folder, &info)) facts.device = info.dwVolumeSerialNumber;
    CloseHandle(folder);
  }
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
void closeListedFolder(ListingContext& context, intptr_t& openFolder) {
  if (openFolder == kNoOpenFolder) return;
  CloseHandle(reinterpret_cast<HANDLE>(openFolder));
  openFolder = kNoOpenFolder;
  context.closedFolders.fetch_add(1);
}

// Handles are plentiful on Windows; the bound only keeps a huge walk's count sane.
int32_t keptFolderBudget() { return 4096; }

namespace {
struct NtCalls {
  NtCreateFileCall createFile = nullptr;
  NtStatusToErrorCall statusToError = nullptr;
};

const NtCalls& ntCalls() {
  static const NtCalls calls = [] {
    NtCalls c;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
      // Through void*: the exported address has the type the system documents.
      c.createFile = reinterpret_cast<NtCreateFileCall>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
      c.statusToError = reinterpret_cast<NtStatusToErrorCall>(
          reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    }
    return c;
  }();
  return calls;
}

// One folder below an open one, as itself: a name that has become a junction or a link
// opens the link (which holds nothing), never its target. INVALID_HANDLE_VALUE with
// the error set.
HANDLE openName(HANDLE parent, std::u16string_view name) {
  const NtCalls& nt = ntCalls();
  NtUnicodeString ntName;
  ntName.Buffer = const_cast<PWSTR>(reinterpret_cast<const wchar_t*>(name.data()));
  ntName.Length = ntName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  NtObjectAttributes attributes = {sizeof attributes, parent, &ntName, kObjCaseInsensitive, nullptr, nullptr};
  NtIoStatusBlock status = {};
  HANDLE folder = INVALID_HANDLE_VALUE;
  LONG result = nt.createFile(&folder, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &status, nullptr, 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen,
                              kFileDirectoryFile | kFileSynchronousIoNonAlert | kFileOpenForBackupIntent |
                                  kFileOpenReparsePoint,
                              nullptr, 0);
  if (result >= 0) return folder;
  SetLastError(nt.statusToError ? nt.statusToError(result) : ERROR_ACCESS_DENIED);
  return INVALID_HANDLE_VALUE;
}

HANDLE openPath(const std::u16string& path, bool followReparsePoint) {
  return CreateFileW(wide(path), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | (followReparsePoint ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

// From the root down, one name at a time, each relative to the one above: no reparse
// point on the way is followed, and no path length limit applies.
HANDLE openFromRoot(const std::u16string& path, size_t rootLength) {
  HANDLE folder = openPath(path.substr(0, rootLength), true);
  for (size_t start = rootLength; folder != INVALID_HANDLE_VALUE && start < path.size();) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end > start) {
      HANDLE next = openName(folder, std::u16string_view(path).substr(start, end - start));
      DWORD error = GetLastError();
      CloseHandle(folder);
      SetLastError(error);
      folder = next;
    }
    start = end + 1;
  }
  return folder;
}

// The name that ends a listing path (which ends with a separator).
std::u16string_view lastName(const std::u16string& path) {
  size_t end = path.size() - 1;
  size_t start = path.rfind(u'\\', end - 1) + 1;
  return std::u16string_view(path).substr(start, end - start);
}

// Opens a folder below the root as itself. Relative to its kept parent when there is
// one. Else by path, which would follow a reparse point met above the folder (one
// swapped in while the walk ran): `byPath` tells the caller to make sure the folder is
// the one its parent listed. Without an id to compare, or beyond the length a path may
// have, it is reached from the root one name at a time instead.
HANDLE openBelowRoot(const std::u16string& path, const ListingTarget& target, bool& byPath) {
  byPath = false;
  if (ntCalls().createFile) {
    if (target.parent != kNoOpenFolder) return openName(reinterpret_cast<HANDLE>(target.parent), lastName(path));
    if (target.expectedId == kNoFileId || path.size() >= kMaxListingPath) return openFromRoot(path, target.rootLength);
  }
  byPath = true;
  return openPath(path, false);
}

// 0 when a folder opened below the root is the one to list, else the error to record.
// A folder that became a junction or link after its parent was listed opens as that
// link. Whichever way it was opened, it must carry the file id its parent listed: a
// link the system follows without reporting it as a reparse point (Wine's host links,
// a junction above a folder opened by path) leads to a folder with another id. One
// reached by path must also lie on the root's volume.
DWORD checkOpenedFolder(const ListingContext& context, HANDLE folder, const ListingTarget& target, bool byPath) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(folder, &info)) return 0;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return kErrorReparsePointEncountered;
  if (target.expectedId == kNoFileId) return 0;
  uint64_t id = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  bool sameVolume = !byPath || !context.device || info.dwVolumeSerialNumber == context.device;
  return id == target.expectedId && sameVolume ? 0 : ERROR_PATH_NOT_FOUND;
}
}  // namespace

int32_t listFolder(ListingContext& context, std::u16string& path, const ListingTarget& target, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder) {
  if (int32_t fault = listingFault(path, ListingStep::Open, 0)) return fault;
  // The root is followed when it is a junction, like any folder the user names.
  bool root = target.rootLength >= path.size();
  bool byPath = true;
  HANDLE folder = root ? openPath(path, true) : openBelowRoot(path, target, byPath);
  if (folder == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error ? static_cast<int32_t>(error) : ERROR_ACCESS_DENIED;
  }
  openFolder = reinterpret_cast<intptr_t>(folder);
  if (DWORD refused = root ? 0 : checkOpenedFolder(context, folder, target, byPath)) {
    closeListedFolder(context, openFolder);
    return static_cast<int32_t>(refused);
  }
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
  bool subfolders = false;
  for (size_t at = 0; at < entries.size() && !subfolders;) {
    uint32_t attributes = static_cast<uint32_t>(entries[at + 4]);
    subfolders = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    at += kEntryHeaderWords + entryNameWords(static_cast<uint32_t>(entries[at + 4] >> 32));
  }
  if (!(target.keepOpen && subfolders)) closeListedFolder(context, openFolder);
  return 0;
}
