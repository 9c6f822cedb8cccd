// Listing and storage-query records, declared here with our own names because
// mingw-w64 releases differ in which of them they ship. Layouts are the system's.
#pragma once
#include <windows.h>
#include <cstddef>

// "The object manager encountered a reparse point while retrieving an object."
constexpr DWORD kErrorReparsePointEncountered = 4395;

// The longest path the \\?\ form opens, in UTF-16 units.
constexpr size_t kMaxListingPath = 32767;

// Information classes of GetFileInformationByHandleEx.
constexpr int kFileIdBothDirectoryInfo = 10;
constexpr int kFileIdExtdDirectoryInfo = 19;

struct BothDirectoryEntry {        // FILE_ID_BOTH_DIR_INFO
  DWORD NextEntryOffset;
  DWORD FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  DWORD FileAttributes;
  DWORD FileNameLength;            // bytes
  DWORD EaSize;
  CCHAR ShortNameLength;
  WCHAR ShortName[12];
  LARGE_INTEGER FileId;
  WCHAR FileName[1];
};
static_assert(offsetof(BothDirectoryEntry, FileId) == 96 && offsetof(BothDirectoryEntry, FileName) == 104);

struct ExtendedDirectoryEntry {    // FILE_ID_EXTD_DIR_INFO
  DWORD NextEntryOffset;
  DWORD FileIndex;
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  LARGE_INTEGER EndOfFile;
  LARGE_INTEGER AllocationSize;
  DWORD FileAttributes;
  DWORD FileNameLength;            // bytes
  DWORD EaSize;
  DWORD ReparsePointTag;
  BYTE FileId[16];                 // FILE_ID_128
  WCHAR FileName[1];
};
static_assert(offsetof(ExtendedDirectoryEntry, FileId) == 72 && offsetof(ExtendedDirectoryEntry, FileName) == 88);

// IOCTL_STORAGE_QUERY_PROPERTY with StorageDeviceSeekPenaltyProperty.
constexpr DWORD kIoctlStorageQueryProperty = 0x002D1400;
constexpr DWORD kStorageDeviceSeekPenaltyProperty = 7;
struct StoragePropertyQuery {      // STORAGE_PROPERTY_QUERY
  DWORD PropertyId;
  DWORD QueryType;                 // 0 = PropertyStandardQuery
  BYTE AdditionalParameters[1];
};
static_assert(sizeof(StoragePropertyQuery) == 12);
struct SeekPenaltyDescriptor {     // DEVICE_SEEK_PENALTY_DESCRIPTOR
  DWORD Version;
  DWORD Size;
  BOOLEAN IncursSeekPenalty;
};
static_assert(sizeof(SeekPenaltyDescriptor) == 12);

// NtCreateFile, for opening a folder relative to its parent's handle (no path length
// limit, nothing above the parent looked up again). Loaded from ntdll at run time.
struct NtUnicodeString {           // UNICODE_STRING
  USHORT Length;                   // bytes
  USHORT MaximumLength;
  PWSTR Buffer;
};
struct NtObjectAttributes {        // OBJECT_ATTRIBUTES
  ULONG Length;
  HANDLE RootDirectory;
  NtUnicodeString* ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
};
struct NtIoStatusBlock {           // IO_STATUS_BLOCK
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
using NtCreateFileCall = LONG(WINAPI*)(PHANDLE, ACCESS_MASK, NtObjectAttributes*, NtIoStatusBlock*, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtStatusToErrorCall = ULONG(WINAPI*)(LONG);
constexpr ULONG kObjCaseInsensitive = 0x40;
constexpr ULONG kFileOpen = 1;
constexpr ULONG kFileDirectoryFile = 0x1;
constexpr ULONG kFileSynchronousIoNonAlert = 0x20;
constexpr ULONG kFileOpenForBackupIntent = 0x4000;
constexpr ULONG kFileOpenReparsePoint = 0x200000;
