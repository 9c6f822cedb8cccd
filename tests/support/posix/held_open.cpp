#include "tests/support/held_open.h"
#include <filesystem>
#include <system_error>

bool folderHeldOpen(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path wanted = fs::canonical(fs::u8path(path), error);
  if (error) return false;
  for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code linkError;
    fs::path target = fs::read_symlink(fd.path(), linkError);
    if (!linkError && target == wanted) return true;
  }
  return false;
}
