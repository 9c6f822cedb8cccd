// UTF-8 <-> UTF-16 conversions for the program's edges (files, argv, consoles).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Invalid sequences become U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
// The same into a reused buffer (grown to 3 bytes per unit, never shrunk); returns the
// bytes written. For chunks that end after a whole row, so pairs are never split.
size_t utf8FromUtf16Into(const char16_t* text, size_t length, std::string& out);
