// UTF-16 texts handed to and taken from Windows calls. char16_t and wchar_t are the
// same 16 bits on Windows, so the casts live here and nowhere in portable code.
#pragma once
#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>

// The text as the NUL-terminated wide string Windows calls take.
inline const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
// The text up to its first NUL: what a Windows call taking a C string would read.
inline std::u16string terminated(std::u16string_view text) { return std::u16string(text.substr(0, text.find(u'\0'))); }
// A wide copy, for texts built up with other wide strings.
inline std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string fromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string fromWide(const wchar_t* text) { return fromWide(text, std::wcslen(text)); }
