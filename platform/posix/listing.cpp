// Folder listing natively: getdents64 for the names, fstatat (not following links)
// for sizes, times and modes. Symbolic links and mount points are reported like
// Windows reparse points, so the walk shows them but never enters them.
// The attribute mapping is described in docs/walk.md.
//
// Sections: attributes · volume facts · listing
#include "platform/listing.h"
#include "platform/posix/file_names.h"
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
// --- Attributes --------------------------------------------------------------------------
constexpr uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kDirectory = 0x10,
                   kNormal = 0x80, kSparse = 0x200, kReparsePoint = 0x400;

int64_t filetimeFrom(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100 + 116444736000000000;
}

uint32_t attributesFrom(const struct stat& st, bool dotName) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) a |= kDirectory;
  else if (S_ISLNK(st.st_mode)) a |= kReparsePoint;
  else if (!S_ISREG(st.st_mode)) a |= kSystem;   // devices, pipes, sockets
  else if (static_cast<int64_t>(st.st_blocks) * 512 < st.st_size) a |= kSparse;
  if ((st.st_mode & 0222) == 0) a |= kReadOnly;
  if (dotName) a |= kHidden;
  return a ? a : kNormal;
}
}  // namespace

// --- Volume facts ------------------------------------------------------------------------
VolumeFacts readVolumeFacts(std::u16string_view rootPath) {
  VolumeFacts facts;
  std::string path;
  fileNameFromUtf16(rootPath, path);
  struct stat st;
  if (stat(path.c_str(), &st) == 0) facts.device = st.st_dev;
  struct statvfs vfs;
  if (statvfs(path.c_str(), &vfs) == 0 && vfs.f_frsize > 0) facts.clusterSize = static_cast<int64_t>(vfs.f_frsize);
  struct statfs fs;
  facts.isNtfs = statfs(path.c_str(), &fs) == 0 && fs.f_type == 0x5346544E;
  // Inode numbers name files on every native file system; only files with several
  // names carry one in their entry record.
  facts.fileIdMask = ~0ull;
  return facts;
}

bool isSolidState(std::u16string_view rootPath) {
  std::string path;
  fileNameFromUtf16(rootPath, path);
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || major(st.st_dev) == 0) return false;
  char base[64];
  snprintf(base, sizeof base, "/sys/dev/block/%u:%u", major(st.st_dev), minor(st.st_dev));
  // A partition has no queue of its own: its disk is the parent folder.
  for (const char* tail : {"/queue/rotational", "/../queue/rotational"}) {
    std::string file = std::string(base) + tail;
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char c = 0;
    ssize_t n = read(fd, &c, 1);
    close(fd);
    return n == 1 && c == '0';
  }
  return false;
}

int logicalProcessorCount() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

bool readPathFacts(std::u16string_view path, int64_t& filetime, uint32_t& attributes) {
  std::string path8;
  fileNameFromUtf16(path, path8);
  struct stat st;
  if (stat(path8.c_str(), &st) != 0) return false;
  filetime = filetimeFrom(st.st_mtim);
  attributes = attributesFrom(st, false);
  return true;
}

void appendListingPath(std::u16string& out, std::u16string_view fullPath) { out += fullPath; }

// --- Listing ----------------------------------------------------------------------------
namespace {
// A listing thread with a working folder of its own (unshare(CLONE_FS)) moves into each
// folder and examines entries relative to it: a lookup from the working folder takes no
// reference on anything, while one from a descriptor takes and drops a reference on the
// open file for every entry once the process has several threads.
thread_local bool tPrivateWorkingFolder = false;

struct LinuxDirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};
}  // namespace

void prepareListingThread() { tPrivateWorkingFolder = unshare(CLONE_FS) == 0; }

void closeAbandonedFolder(intptr_t& openFolder) {
  if (openFolder != kNoOpenFolder) close(static_cast<int>(openFolder));
  openFolder = kNoOpenFolder;
}

int32_t listFolder(ListingContext& context, std::u16string& path, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder) {
  if (int32_t fault = listingFault(path, ListingStep::Open, 0)) return fault;
  std::string path8;
  fileNameFromUtf16(path, path8);
  int fd = open(path8.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  openFolder = fd;
  int from = fd;
  if (tPrivateWorkingFolder && fchdir(fd) == 0) from = AT_FDCWD;

  // Linux names are at most 255 bytes, but some file systems give more (UTF-16 names
  // of 255 units can take 765 bytes); the coordinator cuts every name to 255 units.
  char16_t name[1024];
  for (int call = 0;; call++) {
    if (listingFault(path, ListingStep::Read, call)) break;
    long bytes = syscall(SYS_getdents64, fd, buffer, kListingBufferBytes);
    if (bytes <= 0) break;
    for (long at = 0; at < bytes;) {
      auto* d = reinterpret_cast<const LinuxDirent64*>(static_cast<const char*>(buffer) + at);
      at += d->d_reclen;
      const char* n8 = d->d_name;
      if (n8[0] == '.' && (n8[1] == 0 || (n8[1] == '.' && n8[2] == 0))) continue;
      size_t length8 = strlen(n8);
      uint32_t length = static_cast<uint32_t>(
          utf16FromFileName(reinterpret_cast<const unsigned char*>(n8), length8 < 1024 ? length8 : 1024, name));

      struct stat st;
      if (fstatat(from, n8, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) continue;   // removed while we listed
        // Not searchable: the name is all we know.
        uint32_t a = d->d_type == DT_DIR ? kDirectory : kNormal;
        appendEntryRecord(entries, 0, 0, 0, kNoFileId, a, name, length);
        continue;
      }
      uint32_t a = attributesFrom(st, n8[0] == '.');
      int64_t size = 0, onDisk = 0;
      uint64_t fileId = kNoFileId;
      if (S_ISDIR(st.st_mode)) {
        // another file system mounted here: shown, never entered
        if (st.st_dev != context.device) a |= kReparsePoint;
      } else if (S_ISLNK(st.st_mode)) {
        struct stat target;
        if (fstatat(from, n8, &target, 0) == 0 && S_ISDIR(target.st_mode)) a |= kDirectory;
        onDisk = static_cast<int64_t>(st.st_blocks) * 512;
      } else {
        size = st.st_size;
        onDisk = static_cast<int64_t>(st.st_blocks) * 512;
        if (st.st_nlink > 1) fileId = st.st_ino;
      }
      appendEntryRecord(entries, size, onDisk, filetimeFrom(st.st_mtim), fileId, a, name, length);
    }
  }
  openFolder = kNoOpenFolder;
  close(fd);
  return 0;
}
