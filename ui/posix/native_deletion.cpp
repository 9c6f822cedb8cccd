#include "ui/posix/native_deletion.h"

#include "base/utf.h"
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

ItemOutcome failure(uint32_t code, ItemChange change = ItemChange::None) { return {kItemFailed, code, change}; }

// Owns one descriptor.
struct Descriptor {
  int fd = -1;
  explicit Descriptor(int value) : fd(value) {}
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  void reset(int value) {
    if (fd >= 0) close(fd);
    fd = value;
  }
};

// The names in an open folder, read before anything in it is removed.
uint32_t namesIn(int folder, std::vector<std::string>& names) {
  int copy = dup(folder);
  if (copy < 0) return static_cast<uint32_t>(errno);
  DIR* listing = fdopendir(copy);
  if (!listing) {
    uint32_t code = static_cast<uint32_t>(errno);
    close(copy);
    return code;
  }
  while (const dirent* entry = readdir(listing)) {
    const char* n = entry->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    names.emplace_back(n);
  }
  closedir(listing);
  return 0;
}

// Removes everything in the open folder `folder` of device `device`. Stops at the
// first failure, as the shell does, and returns its code; what is gone already stays
// gone. Entries that vanish meanwhile are no failure.
uint32_t removeContents(int folder, dev_t device) {
  std::vector<std::string> names;
  if (uint32_t code = namesIn(folder, names)) return code;
  for (const std::string& name : names) {
    struct stat st;
    if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      return static_cast<uint32_t>(errno);
    }
    if (S_ISDIR(st.st_mode)) {
      // Another file system mounted here is not entered; removing its mount point fails.
      if (st.st_dev == device) {
        Descriptor inner(openat(folder, name.c_str(), kOpenFolder));
        if (inner.fd < 0) {
          if (errno == ENOENT) continue;
          return static_cast<uint32_t>(errno);
        }
        if (uint32_t code = removeContents(inner.fd, device)) return code;
      }
      if (unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) return static_cast<uint32_t>(errno);
    } else if (unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT) {
      return static_cast<uint32_t>(errno);
    }
  }
  return 0;
}

// The item's path below the root, split into names.
std::vector<std::string> namesBelowRoot(std::u16string_view rootPath, std::u16string_view path) {
  std::vector<std::string> out;
  if (path.size() <= rootPath.size() || path.substr(0, rootPath.size()) != rootPath) return out;
  std::u16string_view rest = path.substr(rootPath.size());
  std::string name;
  while (!rest.empty()) {
    size_t cut = rest.find(u'/');
    std::u16string_view part = rest.substr(0, cut);
    if (!part.empty()) {
      fileNameFromUtf16(part, name);
      out.push_back(name);
    }
    if (cut == std::u16string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return out;
}

}  // namespace

PathFacts NativeDeletionBackend::query(std::u16string_view path) { return queryPathFacts(path); }

bool NativeDeletionBackend::hasRecycleBin(std::u16string_view) { return false; }

void NativeDeletionBackend::progressed(bool finished) {
  if (onProgress) onProgress(context, finished);
}

ItemOutcome NativeDeletionBackend::remove(const DeletionJob& job, size_t index, const PathFacts& checked) {
  std::vector<std::string> names = namesBelowRoot(job.rootPath, job.paths[index]);
  if (names.empty()) return failure(EINVAL);   // the root itself is never deleted
  std::string root;
  fileNameFromUtf16(job.rootPath, root);
  Descriptor folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.fd < 0) return failure(static_cast<uint32_t>(errno));
  struct stat at;
  if (fstat(folder.fd, &at) != 0) return failure(static_cast<uint32_t>(errno));
  const dev_t device = at.st_dev;
  for (size_t i = 0; i + 1 < names.size(); i++) {
    int next = openat(folder.fd, names[i].c_str(), kOpenFolder);
    if (next < 0) {
      // A link or a file where a folder was: the path leads somewhere else now.
      if (errno == ELOOP || errno == ENOTDIR) return failure(0, ItemChange::FolderOnPath);
      return failure(static_cast<uint32_t>(errno));
    }
    folder.reset(next);
    if (fstat(folder.fd, &at) != 0) return failure(static_cast<uint32_t>(errno));
    if (at.st_dev != device) return failure(0, ItemChange::FolderOnPath);
  }
  const char* name = names.back().c_str();
  struct stat st;
  if (fstatat(folder.fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return failure(static_cast<uint32_t>(errno));
  if (checked.identityKnown && (static_cast<uint64_t>(st.st_dev) != checked.volume ||
                                static_cast<uint64_t>(st.st_ino) != checked.fileId))
    return failure(0, ItemChange::ChangedWhileDeleting);
  if (S_ISDIR(st.st_mode)) {
    if (st.st_dev == at.st_dev) {
      Descriptor inner(openat(folder.fd, name, kOpenFolder));
      if (inner.fd < 0) return failure(static_cast<uint32_t>(errno));
      struct stat opened;
      if (fstat(inner.fd, &opened) != 0) return failure(static_cast<uint32_t>(errno));
      if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) return failure(0, ItemChange::ChangedWhileDeleting);
      if (uint32_t code = removeContents(inner.fd, st.st_dev)) return failure(code);
    }
    if (unlinkat(folder.fd, name, AT_REMOVEDIR) != 0) return failure(static_cast<uint32_t>(errno));
  } else if (unlinkat(folder.fd, name, 0) != 0) {
    return failure(static_cast<uint32_t>(errno));
  }
  return {kItemDeleted, 0, ItemChange::None};
}
