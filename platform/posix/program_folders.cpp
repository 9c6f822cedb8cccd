// The program's folder from /proc/self/exe, the settings folder by the XDG rules.
//
// Threading: any thread.
#include "platform/program_folders.h"
#include "base/utf.h"
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void createSettingsDirectory(std::u16string_view directory) {
  // Natively the config home itself may be missing on a fresh account.
  std::string path = utf8FromUtf16(directory);
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (!part.empty()) mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

std::u16string executableDirectory() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return std::u16string();
  std::string path(buffer.data(), static_cast<size_t>(length));
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::u16string();
  return utf16FromUtf8(slash == 0 ? std::string("/") : path.substr(0, slash));
}

std::u16string userSettingsDirectory() {
  // Relative XDG paths are invalid by the XDG rules and ignored.
  const char* xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return utf16FromUtf8(xdg) + u"/mossbloom";
  const char* home = getenv("HOME");
  if (home && home[0]) return utf16FromUtf8(home) + u"/.config/mossbloom";
  return u"./mossbloom";
}
