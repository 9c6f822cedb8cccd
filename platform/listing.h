// Folder listing for the directory walk: the contract between the listing workers
// (which only call listFolder) and the coordinator (which reads the entry records).
// Implemented by platform/win32/listing.cpp and platform/posix/listing.cpp.
//
// Threading: listFolder runs on many workers at once; the only state they share is
// the ListingContext, whose useExtendedInfo is read and cleared without a lock.
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
  uint64_t device = 0;        // natively: st_dev of the root, to recognise mount points
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
  // Cleared once, for every worker, when the system rejects the extended listing class.
  std::atomic<uint8_t> useExtendedInfo{1};
};

// Appends the form of a full path that the listing opens (`\\?\` on Windows).
void appendListingPath(std::u16string& out, std::u16string_view fullPath);

// Called once on each thread that will run listFolder for the rest of its life (the
// walk's listing workers), before its first listing. Natively it gives the thread a
// working folder of its own, so entries are examined relative to it instead of through
// a descriptor shared by every thread of the process (see docs/walk.md).
void prepareListingThread();

// Lists the folder at `path` (a listing path ending with a separator; it may be
// extended in place while listing and is restored) into `entries`, using `buffer`
// (kListingBufferBytes, 8-byte aligned) as scratch. Returns 0 when the folder was
// opened, else the system's error code. A listing that fails after the folder was
// opened keeps the entries read so far and returns 0.
// While the folder is open its handle is kept in `openFolder` (kNoOpenFolder
// otherwise): out of memory ends a listing thread where it stands, without
// unwinding on Windows, and whoever outlives the thread closes what it left open
// with closeAbandonedFolder.
constexpr intptr_t kNoOpenFolder = -1;
int32_t listFolder(ListingContext& context, std::u16string& path, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder);
void closeAbandonedFolder(intptr_t& openFolder);

// --- Test hook ------------------------------------------------------------------------
// Lets tests make opening a folder or one of its listing calls fail with a given error.
// `call` counts listing calls on the folder from 0. Returns 0 for no fault.
enum class ListingStep { Open, Read };
using ListingFaultHook = int32_t (*)(std::u16string_view path, ListingStep step, int call);
void setListingFaultHook(ListingFaultHook hook);
int32_t listingFault(std::u16string_view path, ListingStep step, int call);
