// Natively the trees the system itself lives in and the executable. /run and /media
// are left out: removable drives are mounted there, and what is on them may go.
#include "platform/system_folders.h"
#include "base/utf.h"
#include <unistd.h>

std::vector<std::u16string> systemFoldersToProtect() {
  std::vector<std::u16string> out;
  for (const char* folder : {"/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/libx32", "/proc", "/sbin",
                             "/sys", "/usr"})
    out.push_back(utf16FromFileName(folder));
  char buffer[260];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length >= 1 && length < static_cast<ssize_t>(sizeof buffer))
    out.push_back(utf16FromFileName(std::string_view(buffer, static_cast<size_t>(length))));
  return out;
}
