// The headless modes' console and report files on Windows.
#include "platform/console.h"
#include "base/utf.h"
#include "platform/win32/wide.h"
#include <windows.h>

namespace {
HANDLE consoleOutput() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE) return out;
  // A GUI program started from a console gets no standard handles: borrow the
  // parent's console, once for the process.
  static HANDLE borrowed = [] {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
    return CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }();
  return borrowed;
}

bool writeUtf8(HANDLE file, std::u16string_view text) {
  std::string bytes = utf8FromUtf16(text);
  DWORD written = 0;
  if (bytes.empty()) return true;
  if (bytes.size() > MAXDWORD) return false;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}
}  // namespace

void writeConsole(std::u16string_view text) {
  HANDLE out = consoleOutput();
  if (!out || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, reinterpret_cast<const wchar_t*>(text.data()), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    writeUtf8(out, text);
  }
}

bool writeUtf8File(std::u16string_view path, std::u16string_view text) {
  std::wstring name = toWide(path);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = writeUtf8(file, text);
  return CloseHandle(file) && ok;
}
