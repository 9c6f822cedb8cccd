#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/language.h"

// Natively the pack is a file: beside the executable when installed, otherwise
// the one the build generated.

namespace {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

std::string executableFolder() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  std::string full(path, static_cast<size_t>(n));
  size_t slash = full.rfind('/');
  return slash == std::string::npos ? std::string() : full.substr(0, slash);
}

}  // namespace

PackBytes languagePackBytes() {
  // Read once, like a resource: the bytes stay for the life of the process.
  static std::vector<uint8_t>* bytes = [] {
    auto* b = new std::vector<uint8_t>;
    std::string beside = executableFolder() + "/mossbloom.lang";
    if (!readWholeFile(beside, *b)) readWholeFile(MB_LANG_PACK_PATH, *b);
    return b;
  }();
  if (bytes->empty()) return {};
  return {bytes->data(), bytes->size()};
}

std::u16string systemLocaleName() {
  // The variables in the order the C library consults them for messages.
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = std::getenv(name);
    if (value && *value) break;
    value = nullptr;
  }
  std::string locale = value ? value : "";
  locale = locale.substr(0, locale.find_first_of(".@"));  // "zh_TW.UTF-8" -> "zh_TW"
  if (locale.empty() || locale == "C" || locale == "POSIX") return u"en";
  std::u16string out;
  for (char c : locale) out.push_back(c == '_' ? u'-' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}
