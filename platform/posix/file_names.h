// File names natively are bytes. Valid UTF-8 becomes UTF-16; each byte of an
// invalid sequence becomes U+DC80..U+DCFF and turns back into that byte, so every
// name the system gives can be opened again.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Writes at most n units to `out` and returns how many it wrote.
size_t utf16FromFileName(const unsigned char* s, size_t n, char16_t* out);
std::u16string utf16FromFileName(std::string_view name);
void fileNameFromUtf16(std::u16string_view text, std::string& out);
