// The Windows folder, the three Program Files variables, ProgramData and the
// executable, each only when the system answers with 1 to 259 units.
#include "platform/system_folders.h"
#include <windows.h>

namespace {
constexpr DWORD kBufferUnits = MAX_PATH;

void keep(std::vector<std::u16string>& out, const wchar_t* text, DWORD length) {
  if (length >= 1 && length < kBufferUnits) out.emplace_back(reinterpret_cast<const char16_t*>(text), length);
}
}  // namespace

std::vector<std::u16string> systemFoldersToProtect() {
  std::vector<std::u16string> out;
  wchar_t buffer[kBufferUnits];
  keep(out, buffer, GetWindowsDirectoryW(buffer, kBufferUnits));
  for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"ProgramData"})
    keep(out, buffer, GetEnvironmentVariableW(name, buffer, kBufferUnits));
  // A path cut to the buffer comes back with the buffer's full length.
  keep(out, buffer, GetModuleFileNameW(nullptr, buffer, kBufferUnits));
  return out;
}
