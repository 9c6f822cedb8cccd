// Folder listing for the directory walk: the contract between the listing workers
// (which only call listFolder) and the coordinator (which reads the entry records).
// Implemented by platform/win32/listing.cpp and platform/posix/listing.cpp.
//
// Threading: listFolder runs on many workers at once; the only state they share is
// the ListingContext, whose atomics are read and written without a lock.
//
// Sections: volume facts · entry records · listing · test hook
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// --- Volume facts -------------------------------------------------------------------
struct VolumeFacts {
  int64_t clusterSize = 0;    // 0: unknown, the tree keeps its value
  bool isNtfs = false;
  // Which bits of an entry's file id name the file for hard-link detection;
  // 0 = the file system gives no usable id (FAT, exFAT, network shares).
  uint64_t fileIdMask = 0;
  // The root's volume: natively st_dev, to recognise mount points; on Windows the volume
  // serial number, to recognise a folder reached by path.
  uint64_t device = 0;
  uint64_t mountId = 0;       // natively: the mount the root lies on (0: unknown), for bind mounts
};

VolumeFacts readVolumeFacts(std::u16string_view rootPath);
// True only when the volume positively reports no seek penalty.
bool isSolidState(std::u16string_view rootPath);
int logicalProcessorCount();
// The root's own modification time (FILETIME) and attribute bits; false when unreadable.
bool readPathFacts(std::u16string_view path, int64_t& filetime, uint32_t& attributes);

// --- Entry records ------------------------------------------------------------------
// One record per directory entry: five 64-bit words, then the name's UTF-16 units
// four per word, the last word zero-padded (no words for an empty name).
//   0 logical size (0 for a folder)    1 size on disk (0 for a folder)
//   2 last write time (FILETIME)       3 file id (kNoFileId: not a hard-link candidate)
//   4 name length << 32 | attribute bits
constexpr int kEntryHeaderWords = 5;
constexpr uint64_t kNoFileId = ~0ull;

inline size_t entryNameWords(uint32_t length) { return (length + 3) / 4; }

inline void appendEntryRecord(std::vector<uint64_t>& words, int64_t size, int64_t onDisk,
                              int64_t filetime, uint64_t fileId, uint32_t attributes,
                              const char16_t* name, uint32_t length) {
  size_t at = words.size();
  size_t nameWords = entryNameWords(length);
  words.resize(at + kEntryHeaderWords + nameWords);
  uint64_t* w = words.data() + at;
  w[0] = static_cast<uint64_t>(size);
  w[1] = static_cast<uint64_t>(onDisk);
  w[2] = static_cast<uint64_t>(filetime);
  w[3] = fileId;
  w[4] = (static_cast<uint64_t>(length) << 32) | attributes;
  if (nameWords) {
    w[kEntryHeaderWords + nameWords - 1] = 0;
    __builtin_memcpy(w + kEntryHeaderWords, name, length * sizeof(char16_t));
  }
}

// --- Listing ----------------------------------------------------------------------
constexpr size_t kListingBufferBytes = 64 * 1024;

// Shared by all workers of one walk.
struct ListingContext {
  int64_t clusterSize = 4096;
  bool isNtfs = false;
  uint64_t device = 0;
  uint64_t mountId = 0;
  // Cleared once, for every worker, when the system rejects the extended listing class.
  std::atomic<uint8_t> useExtendedInfo{1};
  // How many folders the walk has closed so far: a listing that finds no descriptor free
  // waits while closing goes on, and gives up only when nothing has been closed for a while.
  std::atomic<uint64_t> closedFolders{0};
  // Called by a listing that found no descriptor free: the walk closes kept folders.
  void (*descriptorsWanted)(void* owner) = nullptr;
  void* owner = nullptr;
};

// How a worker reaches the folder it lists. A folder is opened relative to its parent's
// open descriptor (handle) without following a symbolic link or reparse point, so a
// folder swapped for a link while the walk runs is never followed out of the tree, and
// no path length limit applies. A parent that is not kept open is reached from the
// root, again without following links on the way (on Windows, by path when the folder
// can be recognised by its file id).
struct ListingTarget {
  intptr_t parent = -1;      // the parent, open (kNoOpenFolder: reach it from the root)
  size_t rootLength = 0;     // units of the listing path that name the root, with its separator
  uint64_t expectedId = kNoFileId;  // the file id its parent's listing gave (kNoFileId: none)
  bool keepOpen = false;     // leave the folder open when it has subfolders to enter
};

// Appends the form of a full path that the listing opens (`\\?\` on Windows).
void appendListingPath(std::u16string& out, std::u16string_view fullPath);

// Called once on each thread that will run listFolder for the rest of its life (the
// walk's listing workers), before its first listing. Natively it gives the thread a
// working folder of its own, so entries are examined relative to it instead of through
// a descriptor shared by every thread of the process (see docs/walk.md).
void prepareListingThread();

// Lists the folder at `path` (a listing path ending with a separator; it may be
// extended in place while listing and is restored), reached as `target` says, into
// `entries`, using `buffer` (kListingBufferBytes, 8-byte aligned) as scratch. Returns 0
// when the folder was opened, else the system's error code. A listing that fails after
// the folder was opened keeps the entries read so far and returns 0.
// While the folder is open its handle is kept in `openFolder` (kNoOpenFolder
// otherwise): out of memory ends a listing thread where it stands, without
// unwinding on Windows, and whoever outlives the thread closes what it left open
// with closeListedFolder. With target.keepOpen, a folder with subfolders to enter
// stays open on return: the caller owns it then and closes it with closeListedFolder.
constexpr intptr_t kNoOpenFolder = -1;
int32_t listFolder(ListingContext& context, std::u16string& path, const ListingTarget& target, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder);
void closeListedFolder(ListingContext& context, intptr_t& openFolder);

// How many folders a walk may keep open for their subfolders at once, leaving the
// process's other descriptors room (natively from RLIMIT_NOFILE; 0 on Windows, which
// opens by path).
int32_t keptFolderBudget();

// --- Test hook ------------------------------------------------------------------------
// Lets tests make opening a folder or one of its listing calls fail with a given error.
// `call` counts listing calls on the folder from 0. Returns 0 for no fault.
enum class ListingStep { Open, Read };
using ListingFaultHook = int32_t (*)(std::u16string_view path, ListingStep step, int call);
void setListingFaultHook(ListingFaultHook hook);
int32_t listingFault(std::u16string_view path, ListingStep step, int call);
