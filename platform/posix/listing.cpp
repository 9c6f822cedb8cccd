// Folder listing natively: each folder opened relative to its parent's descriptor
// (openat with O_NOFOLLOW), getdents64 for the names, fstatat (not following links)
// for sizes, times and modes. Symbolic links and mount points (another device, or a
// bind mount of the same one) are reported like Windows reparse points, so the walk
// shows them but never enters them. The attribute mapping is described in docs/walk.md.
//
// Sections: attributes · volume facts · opening · listing
#include "platform/listing.h"
#include "platform/file_attributes.h"
#include "platform/time.h"
#include "base/utf.h"
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {
// --- Attributes --------------------------------------------------------------------------
int64_t filetimeFrom(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100 + kUnixEpochFiletime;
}

uint32_t attributesFrom(const struct stat& st, bool dotName) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) a |= kAttributeDirectory;
  else if (S_ISLNK(st.st_mode)) a |= kAttributeReparsePoint;
  else if (!S_ISREG(st.st_mode)) a |= kAttributeSystem;   // devices, pipes, sockets
  else if (static_cast<int64_t>(st.st_blocks) * 512 < st.st_size) a |= kAttributeSparse;
  if ((st.st_mode & 0222) == 0) a |= kAttributeReadOnly;
  if (dotName) a |= kAttributeHidden;
  return a ? a : kAttributeNormal;
}
}  // namespace

// --- Volume facts ------------------------------------------------------------------------
VolumeFacts readVolumeFacts(std::u16string_view rootPath) {
  VolumeFacts facts;
  std::string path;
  fileNameFromUtf16(rootPath, path);
  struct stat st;
  if (stat(path.c_str(), &st) == 0) facts.device = st.st_dev;
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_MNT_ID, &sx) == 0 && (sx.stx_mask & STATX_MNT_ID))
    facts.mountId = sx.stx_mnt_id;
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

// --- Opening -----------------------------------------------------------------------------
namespace {
// A listing thread with a working folder of its own (unshare(CLONE_FS)) moves into each
// folder and examines entries relative to it: a lookup from the working folder takes no
// reference on anything, while one from a descriptor takes and drops a reference on the
// open file for every entry once the process has several threads. Its working folder
// also holds a folder without a descriptor while the folder below it is opened.
thread_local bool tPrivateWorkingFolder = false;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
constexpr int kWaitForDescriptorMs = 2000;

int failed() { return -errno; }

// The names below the root of a listing path "root/a/b/", as bytes.
std::vector<std::string> namesBelowRoot(std::u16string_view path, size_t rootLength) {
  std::vector<std::string> names;
  std::u16string_view rest = path.substr(rootLength < path.size() ? rootLength : path.size());
  while (!rest.empty()) {
    size_t slash = rest.find(u'/');
    std::u16string_view name = rest.substr(0, slash);
    if (!name.empty()) {
      names.emplace_back();
      fileNameFromUtf16(name, names.back());
    }
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
  }
  return names;
}

// The root, as the user named it: a link there is followed, like Windows follows a
// junction given as the scan's root.
int openRoot(std::u16string_view path, size_t rootLength) {
  std::u16string_view root = path.substr(0, rootLength);
  if (root.size() > 1 && root.back() == u'/') root.remove_suffix(1);
  std::string root8;
  fileNameFromUtf16(root, root8);
  int fd = open(root8.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd >= 0 ? fd : failed();
}

// Opens `rest` (names joined by `/`) below `from`, following no link and never leaving
// `from`, in one system call; -ENOSYS when the kernel has no openat2 (or refuses it).
int openBeneath(int from, const std::string& rest) {
  struct open_how how = {};
  how.flags = kFolderFlags;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH | RESOLVE_NO_XDEV;
  long opened = syscall(SYS_openat2, from, rest.c_str(), &how, sizeof how);
  if (opened >= 0) return static_cast<int>(opened);
  int error = errno;
  return error == EINVAL || error == E2BIG || error == EPERM ? -ENOSYS : -error;
}

// From the root down, no link followed on the way: as many names per system call as fit
// in one path (openat2 with RESOLVE_NO_SYMLINKS and RESOLVE_BENEATH), or one name per
// call where the kernel has no openat2. Through the working folder at most one
// descriptor is open at a time.
int openFromRoot(std::u16string_view path, size_t rootLength) {
  std::vector<std::string> names = namesBelowRoot(path, rootLength);
  int fd = openRoot(path, rootLength);
  if (fd < 0 || names.empty()) return fd;
  static std::atomic<bool> noOpenat2{false};
  size_t i = 0;
  for (;;) {
    // `fd` is the folder reached so far; move into it when the thread has its own working folder.
    int from = fd;
    if (tPrivateWorkingFolder) {
      int error = fchdir(fd) == 0 ? 0 : errno;
      close(fd);
      if (error) return -error;
      from = AT_FDCWD;
    }
    size_t step = 1;
    int next = -ENOSYS;
    if (!noOpenat2.load(std::memory_order_relaxed)) {
      std::string rest = names[i];
      while (i + step < names.size() && rest.size() + 1 + names[i + step].size() < PATH_MAX) rest += "/" + names[i + step++];
      next = openBeneath(from, rest);
      if (next == -ENOSYS) noOpenat2.store(true, std::memory_order_relaxed);
    }
    if (next == -ENOSYS) {
      step = 1;
      next = openat(from, names[i].c_str(), kFolderFlags);
      if (next < 0) next = failed();
    }
    if (from != AT_FDCWD) close(from);
    i += step;
    if (next < 0 || i == names.size()) return next;
    fd = next;
  }
}

int openOnce(std::u16string_view path, const ListingTarget& target) {
  if (target.parent != kNoOpenFolder) {
    // The folder's own name is the last one of its listing path.
    std::u16string_view inner = path.substr(0, path.size() - 1);
    size_t slash = inner.rfind(u'/');
    std::string name;
    fileNameFromUtf16(inner.substr(slash == std::u16string_view::npos ? 0 : slash + 1), name);
    int fd = openat(static_cast<int>(target.parent), name.c_str(), kFolderFlags);
    return fd >= 0 ? fd : failed();
  }
  if (target.rootLength >= path.size()) return openRoot(path, target.rootLength);
  return openFromRoot(path, target.rootLength);
}

// Out of descriptors is a passing state: the walk's other listings close theirs, and the
// walk closes the folders it keeps. Waits while descriptors keep being closed.
int openFolderOf(ListingContext& context, std::u16string_view path, const ListingTarget& target) {
  int waited = 0;
  uint64_t closed = context.closedFolders.load();
  for (;;) {
    int fd = openOnce(path, target);
    if (fd >= 0 || (fd != -EMFILE && fd != -ENFILE) || waited >= kWaitForDescriptorMs) return fd;
    if (context.descriptorsWanted) context.descriptorsWanted(context.owner);
    timespec pause = {0, 1000000};
    nanosleep(&pause, nullptr);
    uint64_t now = context.closedFolders.load();
    waited = now != closed ? 0 : waited + 1;
    closed = now;
  }
}

struct LinuxDirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

// A folder on the root's device that is the root of another mount: a bind mount.
bool isOtherMount(const ListingContext& context, int from, const char* name) {
  if (!context.mountId) return false;
  struct statx sx;
  if (statx(from, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID, &sx) != 0) return false;
  if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT)) return true;
  return (sx.stx_mask & STATX_MNT_ID) && sx.stx_mnt_id != context.mountId;
}
}  // namespace

void prepareListingThread() { tPrivateWorkingFolder = unshare(CLONE_FS) == 0; }

void closeListedFolder(ListingContext& context, intptr_t& openFolder) {
  if (openFolder == kNoOpenFolder) return;
  close(static_cast<int>(openFolder));
  openFolder = kNoOpenFolder;
  context.closedFolders.fetch_add(1);
}

int32_t keptFolderBudget() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  // Half of what is left after a reserve for the rest of the process, at most 4096.
  rlim_t soft = limit.rlim_cur;
  if (soft == RLIM_INFINITY || soft > 8192 + 64) return 4096;
  return soft > 64 ? static_cast<int32_t>((soft - 64) / 2) : 0;
}

// --- Listing ----------------------------------------------------------------------------
int32_t listFolder(ListingContext& context, std::u16string& path, const ListingTarget& target, void* buffer,
                   std::vector<uint64_t>& entries, intptr_t& openFolder) {
  if (int32_t fault = listingFault(path, ListingStep::Open, 0)) return fault;
  int fd = openFolderOf(context, path, target);
  if (fd < 0) return -fd;
  openFolder = fd;
  int from = fd;
  if (tPrivateWorkingFolder && fchdir(fd) == 0) from = AT_FDCWD;

  // Linux names are at most 255 bytes, but some file systems give more (UTF-16 names
  // of 255 units can take 765 bytes); the coordinator cuts every name to 255 units.
  char16_t name[1024];
  bool subfolders = false;
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
        uint32_t a = d->d_type == DT_DIR ? kAttributeDirectory : kAttributeNormal;
        appendEntryRecord(entries, 0, 0, 0, kNoFileId, a, name, length);
        continue;
      }
      uint32_t a = attributesFrom(st, n8[0] == '.');
      int64_t size = 0, onDisk = 0;
      uint64_t fileId = kNoFileId;
      if (S_ISDIR(st.st_mode)) {
        // another file system mounted here, or a bind mount: shown, never entered
        if (st.st_dev != context.device || isOtherMount(context, from, n8)) a |= kAttributeReparsePoint;
        else subfolders = true;
      } else if (S_ISLNK(st.st_mode)) {
        struct stat target;
        if (fstatat(from, n8, &target, 0) == 0 && S_ISDIR(target.st_mode)) a |= kAttributeDirectory;
        onDisk = static_cast<int64_t>(st.st_blocks) * 512;
      } else {
        size = st.st_size;
        onDisk = static_cast<int64_t>(st.st_blocks) * 512;
        if (st.st_nlink > 1) fileId = st.st_ino;
      }
      appendEntryRecord(entries, size, onDisk, filetimeFrom(st.st_mtim), fileId, a, name, length);
    }
  }
  if (!(target.keepOpen && subfolders)) closeListedFolder(context, openFolder);
  return 0;
}
