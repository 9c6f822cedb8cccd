#include "engine/scan_path.h"
#include "engine/utf.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::u16string normalizeScanPath(std::u16string_view path, BareDrive) {
  std::u16string text(path.substr(0, path.find(u'\0')));
  if (text.empty()) return text;
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
