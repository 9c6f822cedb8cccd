// Output of the headless modes: the console writer and the small report files they
// write. Implemented in platform/win32/console.cpp and platform/posix/console.cpp.
//
// Threading: called on the start-up thread only.
#pragma once
#include <string>
#include <string_view>

// The one routine every headless mode prints through; `text` carries its own "\r\n"
// line ends. Windows: the standard output handle, else the parent's console (a GUI
// program started from one has no handles of its own); UTF-16 to a console, UTF-8
// without a byte-order mark to a file or pipe; dropped silently when there is
// neither. POSIX: standard output as UTF-8, "\r\n" written as "\n".
void writeConsole(std::u16string_view text);

inline void writeConsoleLine(std::u16string_view text) {
  std::u16string line(text);
  line += u"\r\n";
  writeConsole(line);
}

// Creates or replaces `path` (no sharing while open) and writes `text` as UTF-8
// without a byte-order mark in one write. False when it cannot be created or written.
bool writeUtf8File(std::u16string_view path, std::u16string_view text);
