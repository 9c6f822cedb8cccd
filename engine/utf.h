// UTF-8 <-> UTF-16 conversions for the program's edges (files, argv, consoles).
#pragma once
#include <string>
#include <string_view>

// Invalid sequences become U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
