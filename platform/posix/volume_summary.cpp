// Volume summary natively: statvfs for the sizes, /proc/self/mountinfo for the file system.
//
// Threading: any thread.
#include "platform/volume.h"
#include "base/utf.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/statvfs.h>
#include <sys/types.h>

namespace {

// /proc/self/mountinfo escapes blanks and backslashes as \ooo.
std::string unescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      int value = 0;
      bool octal = true;
      for (size_t k = 1; k <= 3; k++) {
        char c = field[i + k];
        if (c < '0' || c > '7') octal = false;
        value = value * 8 + (c - '0');
      }
      if (octal) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

}  // namespace

VolumeSummary volumeSummaryFor(std::u16string_view path) {
  VolumeSummary volume;
  std::string target = utf8FromUtf16(path);
  struct statvfs fs;
  if (statvfs(target.c_str(), &fs) == 0) {
    volume.capacity = static_cast<int64_t>(fs.f_blocks) * static_cast<int64_t>(fs.f_frsize);
    volume.freeBytes = static_cast<int64_t>(fs.f_bfree) * static_cast<int64_t>(fs.f_frsize);
  }
  // The file system type of the longest mount point holding the path; native
  // volumes have no label the way Windows volumes do, so it stays empty.
  // C stdio rather than a stream: with no descriptor free the open fails and the type
  // stays unknown, while the sanitized build's check of a stream's dynamic type then
  // reports a fault that is not there (it probes memory through a pipe of its own).
  FILE* mounts = fopen("/proc/self/mountinfo", "re");
  std::string line, best;
  size_t bestLength = 0;
  char* raw = nullptr;
  size_t rawSize = 0;
  ssize_t got;
  while (mounts && (got = getline(&raw, &rawSize, mounts)) > 0) {
    line.assign(raw, raw[got - 1] == '\n' ? got - 1 : got);
    // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
    size_t fields[5] = {};
    size_t at = 0;
    for (int f = 0; f < 5 && at != std::string::npos; f++) {
      fields[f] = at;
      at = line.find(' ', at);
      if (at != std::string::npos) at++;
    }
    if (at == std::string::npos) continue;
    std::string mountPoint = unescapeMountField(line.substr(fields[4], line.find(' ', fields[4]) - fields[4]));
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    size_t typeStart = dash + 3;
    std::string type = line.substr(typeStart, line.find(' ', typeStart) - typeStart);
    bool under = target.compare(0, mountPoint.size(), mountPoint) == 0 &&
                 (mountPoint == "/" || target.size() == mountPoint.size() || target[mountPoint.size()] == '/');
    if (under && mountPoint.size() >= bestLength) {
      bestLength = mountPoint.size();
      best = type;
    }
  }
  free(raw);
  if (mounts) fclose(mounts);
  volume.fileSystem = utf16FromUtf8(best);
  return volume;
}
