// The headless modes' console and report files on Linux.
#include "platform/console.h"
#include "base/utf.h"
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

void writeConsole(std::u16string_view text) {
  std::u16string unixText;
  unixText.reserve(text.size());
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    unixText.push_back(text[i]);
  }
  // A closed or broken standard output loses the text, like a missing console.
  writeAll(STDOUT_FILENO, utf8FromUtf16(unixText));
}

bool writeUtf8File(std::u16string_view path, std::u16string_view text) {
  int fd = open(utf8FromUtf16(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = writeAll(fd, utf8FromUtf16(text));
  return close(fd) == 0 && ok;
}
