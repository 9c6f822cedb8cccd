// Settings access through the Windows profile functions.
#include "platform/ini.h"
#include "platform/win32/wide.h"
#include <vector>
#include <windows.h>

namespace {
// The profile functions want NUL-terminated texts.
struct WideText {
  std::u16string text;
  explicit WideText(std::u16string_view view) : text(terminated(view)) {}
  const wchar_t* get() const { return wide(text); }
};
}  // namespace

std::u16string readIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, uint32_t bufferUnits) {
  std::vector<wchar_t> buffer(bufferUnits > 0 ? bufferUnits : 1);
  DWORD length = GetPrivateProfileStringW(WideText(section).get(), WideText(key).get(), WideText(fallback).get(),
                                          buffer.data(), static_cast<DWORD>(buffer.size()), WideText(file).get());
  if (length >= buffer.size()) length = static_cast<DWORD>(buffer.size() - 1);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

int32_t readIniInt(std::u16string_view file, std::u16string_view section, std::u16string_view key) {
  return static_cast<int32_t>(GetPrivateProfileIntW(WideText(section).get(), WideText(key).get(), 0, WideText(file).get()));
}

bool writeIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
  return WritePrivateProfileStringW(WideText(section).get(), WideText(key).get(), WideText(value).get(),
                                    WideText(file).get()) != 0;
}
