// The path's own entry natively: lstat, so a symbolic link at the end is reported and
// not followed. A folder on another device than its parent folder is a mount point,
// which the walk shows but never enters; it counts as a link.
#include "platform/path_facts.h"
#include "platform/file_attributes.h"
#include "base/utf.h"
#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace {
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
    a |= kAttributeReparsePoint;
  } else if (S_ISDIR(st.st_mode)) {
    facts.folder = true;
    a |= kAttributeDirectory;
    std::string parent = parentOf(name);
    struct stat up;
    if (!parent.empty() && lstat(parent.c_str(), &up) == 0 && up.st_dev != st.st_dev) {
      facts.link = true;
      a |= kAttributeReparsePoint;
    }
  } else if (!S_ISREG(st.st_mode)) {
    a |= kAttributeSystem;   // devices, pipes, sockets
  }
  if ((st.st_mode & 0222) == 0) a |= kAttributeReadOnly;
  if (isDotName(name)) a |= kAttributeHidden;
  facts.attributes = a ? a : kAttributeNormal;
  return facts;
}
