// A small ini reader and writer with the semantics of the Windows profile
// functions, so a settings file means the same on both systems.
#include "platform/ini.h"
#include "base/short_text.h"
#include "platform/text.h"
#include "base/utf.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::u16string decodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
  }
  std::string_view view = bytes;
  if (view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
  return utf16FromUtf8(view);
}

std::vector<std::u16string> loadLines(std::u16string_view file) {
  std::vector<std::u16string> lines;
  FILE* f = fopen(utf8FromUtf16(file).c_str(), "rb");
  if (!f) return lines;
  std::string bytes;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  fclose(f);
  std::u16string text = decodeFile(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The section a line opens, or nothing for a line that opens none.
bool sectionOf(std::u16string_view line, std::u16string_view& name) {
  line = trimBlanks(line);
  if (line.empty() || line.front() != u'[') return false;
  size_t close = line.find(u']');
  name = trimBlanks(line.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
  return true;
}

// Splits a `key=value` line; comments and lines without `=` are not entries.
bool entryOf(std::u16string_view line, std::u16string_view& key, std::u16string_view& value) {
  std::u16string_view text = trimBlanks(line);
  if (text.empty() || text.front() == u';') return false;
  size_t equals = text.find(u'=');
  if (equals == std::u16string_view::npos) return false;
  key = trimBlanks(text.substr(0, equals));
  value = trimBlanks(text.substr(equals + 1));
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return true;
}

// Index of the line holding the key's first entry in the first matching section, or -1.
long findEntry(const std::vector<std::u16string>& lines, std::u16string_view section, std::u16string_view key,
               std::u16string_view* value) {
  bool inSection = false, seenSection = false;
  for (size_t i = 0; i < lines.size(); i++) {
    std::u16string_view name;
    if (sectionOf(lines[i], name)) {
      if (inSection) return -1;  // only the first section of that name counts
      inSection = !seenSection && equalIgnoringCase(name, section);
      seenSection = seenSection || inSection;
      continue;
    }
    std::u16string_view k, v;
    if (inSection && entryOf(lines[i], k, v) && equalIgnoringCase(k, key)) {
      if (value) *value = v;
      return static_cast<long>(i);
    }
  }
  return -1;
}

bool saveLines(std::u16string_view file, const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const std::u16string& line : lines) {
    text += line;
    text += u'\n';
  }
  std::string bytes = utf8FromUtf16(text);
  // Written beside and renamed over, so a crash never leaves half a settings file.
  std::string path = utf8FromUtf16(file);
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  FILE* f = fopen(temporary.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = fflush(f) == 0 && ok;
  ok = fclose(f) == 0 && ok;
  if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}
}

std::u16string readIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, uint32_t bufferUnits) {
  size_t limit = bufferUnits > 0 ? bufferUnits - 1 : 0;
  std::vector<std::u16string> lines = loadLines(file);
  std::u16string_view value = fallback;
  findEntry(lines, section, key, &value);
  return std::u16string(value.substr(0, limit));
}

int32_t readIniInt(std::u16string_view file, std::u16string_view section, std::u16string_view key) {
  std::vector<std::u16string> lines = loadLines(file);
  std::u16string_view value;
  if (findEntry(lines, section, key, &value) < 0) return 0;
  return leadingDecimal(value);
}

bool writeIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
  std::vector<std::u16string> lines = loadLines(file);
  std::u16string entry = std::u16string(key) + u"=" + std::u16string(value);
  long at = findEntry(lines, section, key, nullptr);
  if (at >= 0) {
    lines[static_cast<size_t>(at)] = entry;
    return saveLines(file, lines);
  }
  // A new key goes after the last entry of the section's first occurrence.
  long sectionLine = -1, last = -1;
  for (size_t i = 0; i < lines.size(); i++) {
    std::u16string_view name;
    if (sectionOf(lines[i], name)) {
      if (sectionLine >= 0) break;
      if (equalIgnoringCase(name, section)) sectionLine = last = static_cast<long>(i);
    } else if (sectionLine >= 0 && !trimBlanks(lines[i]).empty()) {
      last = static_cast<long>(i);
    }
  }
  if (sectionLine >= 0) {
    lines.insert(lines.begin() + last + 1, entry);
  } else {
    while (!lines.empty() && trimBlanks(lines.back()).empty()) lines.pop_back();
    if (!lines.empty()) lines.push_back(u"");
    lines.push_back(u"[" + std::u16string(section) + u"]");
    lines.push_back(entry);
  }
  return saveLines(file, lines);
}
