#include "app/console.h"
#include "engine/utf.h"
#include <windows.h>

void writeConsoleLine(std::u16string_view text) {
  // A GUI program has no console of its own: borrow the parent's when there is one.
  static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  (void)attached;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  std::u16string line(text);
  line += u"\r\n";
  DWORD mode, written;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } else {
    std::string bytes = utf8FromUtf16(line);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}
