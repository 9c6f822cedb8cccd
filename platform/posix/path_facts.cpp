// The path's own entry natively: lstat, so a symbolic link at the end is reported and
// not followed. A folder on another device than its parent folder is a mount point,
// which the walk shows but never enters; it counts as a link.
#include "platform/path_facts.h"
#include "base/utf.h"
#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace {
constexpr uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kDirectory = 0x10, kNormal = 0x80,
                   kReparsePoint = 0x400;

// The folder holding `path`'s last component; empty for "/" and names without a folder.
std::string parentOf(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') end--;
  size_t cut = path.rfind('/', end - 1);
  if (cut == std::string::npos || end <= 1) return {};
  return cut == 0 ? std::string("/") : path.substr(0, cut);
}

bool isDotName(const std::string& path) {
  size_t cut = path.find_last_of('/');
  return path.size() > cut + 1 && path[cut + 1] == '.';
}
}  // namespace

PathFacts queryPathFacts(std::u16string_view path) {
  PathFacts facts;
  std::string name;
  fileNameFromUtf16(path, name);
  struct stat st;
  if (lstat(name.c_str(), &st) != 0) {
    facts.error = static_cast<uint32_t>(errno);
    return facts;
  }
  facts.identityKnown = true;
  facts.volume = static_cast<uint64_t>(st.st_dev);
  facts.fileId = static_cast<uint64_t>(st.st_ino);
  uint32_t a = 0;
  if (S_ISLNK(st.st_mode)) {
    facts.link = true;
    a |= kReparsePoint;
  } else if (S_ISDIR(st.st_mode)) {
    facts.folder = true;
    a |= kDirectory;
    std::string parent = parentOf(name);
    struct stat up;
    if (!parent.empty() && lstat(parent.c_str(), &up) == 0 && up.st_dev != st.st_dev) {
      facts.link = true;
      a |= kReparsePoint;
    }
  } else if (!S_ISREG(st.st_mode)) {
    a |= kSystem;   // devices, pipes, sockets
  }
  if ((st.st_mode & 0222) == 0) a |= kReadOnly;
  if (isDotName(name)) a |= kHidden;
  facts.attributes = a ? a : kNormal;
  return facts;
}
