#include "platform/scan_path.h"
#include "base/utf.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// The folder part of "image::folder": `.`, `..` and empty components resolved inside the
// volume (`..` stops at its root), both separators read, `/` written, a leading
// separator kept as given.
std::u16string normalizeImageFolder(std::u16string_view folder) {
  std::vector<std::u16string_view> parts;
  size_t i = 0;
  while (i < folder.size()) {
    size_t end = i;
    while (end < folder.size() && folder[end] != u'/' && folder[end] != u'\\') end++;
    std::u16string_view part = folder.substr(i, end - i);
    i = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::u16string result;
  bool leading = !folder.empty() && (folder[0] == u'/' || folder[0] == u'\\');
  for (size_t k = 0; k < parts.size(); k++) {
    if (k > 0 || leading) result += u'/';
    result += parts[k];
  }
  return result.empty() && leading ? std::u16string(u"/") : result;
}

// "disk.img::Some/Folder" names a folder inside an NTFS image when the text before the
// first "::" is an existing file or device (a folder may have "::" in its name).
bool isImagePath(std::u16string_view text, size_t split) {
  struct stat info;
  return split != std::u16string_view::npos && split > 0 &&
         stat(utf8FromUtf16(text.substr(0, split)).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
}  // namespace

std::u16string normalizeScanPath(std::u16string_view path, BareDrive bareDrive) {
  std::u16string text(path.substr(0, path.find(u'\0')));
  if (text.empty()) return text;
  size_t split = text.find(u"::");
  if (isImagePath(text, split))
    return normalizeScanPath(std::u16string_view(text).substr(0, split), bareDrive) + u"::" +
           normalizeImageFolder(std::u16string_view(text).substr(split + 2));
  if (text[0] != u'/') {
    std::vector<char> cwd(4096);
    while (!getcwd(cwd.data(), cwd.size())) {
      // A deleted or unreachable current folder leaves relative paths as typed.
      if (errno != ERANGE) {
        while (text.size() > 1 && text.back() == u'/') text.pop_back();
        return text;
      }
      cwd.resize(cwd.size() * 2);
    }
    text = utf16FromUtf8(cwd.data()) + u"/" + text;
  }
  // Resolved by text, as Windows does: a link followed by `..` is not looked up.
  std::vector<std::u16string_view> parts;
  std::u16string_view rest = text;
  while (!rest.empty()) {
    size_t slash = rest.find(u'/');
    std::u16string_view part = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::u16string result;
  for (std::u16string_view part : parts) {
    result += u'/';
    result += part;
  }
  return result.empty() ? std::u16string(u"/") : result;
}

bool isExistingFolder(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
  struct stat info;
  return stat(utf8FromUtf16(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}


uint32_t folderOpenError(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return ENOENT;
  int fd = open(utf8FromUtf16(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return static_cast<uint32_t>(errno);
  close(fd);
  return 0;
}

bool isExistingFile(std::u16string_view path) {
  if (path.empty()) return false;
  struct stat info;
  return stat(utf8FromUtf16(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}
