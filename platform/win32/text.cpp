// Error texts (FormatMessageW, English first) and name order (the user locale) on Windows.
//
// Threading: any thread.
#include "platform/text.h"
#include "platform/win32/wide.h"
#include <windows.h>
#include <cstdio>

std::u16string systemErrorText(uint32_t code) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  for (DWORD language : {DWORD{1033}, DWORD{0}}) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(flags, nullptr, code, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length && text) {
      while (length && (text[length - 1] == L' ' || text[length - 1] == L'\r' || text[length - 1] == L'\n')) length--;
      std::u16string result = fromWide(text, length);
      LocalFree(text);
      return result;
    }
    if (text) LocalFree(text);
  }
  char fallback[48];
  std::snprintf(fallback, sizeof fallback, "Windows error %lu.", static_cast<unsigned long>(code));
  return std::u16string(fallback, fallback + std::char_traits<char>::length(fallback));
}

// --- Name order ----------------------------------------------------------------------------------------
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<const wchar_t*>(a),
                               static_cast<int>(aLength), reinterpret_cast<const wchar_t*>(b),
                               static_cast<int>(bLength), nullptr, nullptr, 0);
  return result == 0 ? 0 : result - CSTR_EQUAL;
}
