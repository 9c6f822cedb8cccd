// UTF-8 <-> UTF-16 conversions for the program's edges (files, argv, consoles), and the
// two variants with rules of their own: the lenient decoder of CSV files, and native
// file names that keep bytes which are no UTF-8 (utf_variants.cpp).
//
// Threading: pure functions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Invalid sequences become U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
// The same into a reused buffer (grown to 3 bytes per unit, never shrunk); returns the
// bytes written. For chunks that end after a whole row, so pairs are never split.
size_t utf8FromUtf16Into(const char16_t* text, size_t length, std::string& out);

// True when every sequence is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// --- Lenient UTF-8 (CSV files) ------------------------------------------------------------
// Fast and forgiving, for files this program or a spreadsheet wrote: each lead byte
// takes the continuation bytes its form asks for without checking them, a sequence cut
// short by the end takes what is there, and only a stray continuation byte or an
// invalid lead becomes U+FFFD. Writes to `out`, which has room for length + 1 units (a
// four-byte lead at the very end gives two units); returns the units written.
size_t utf16FromLenientUtf8(const uint8_t* bytes, size_t length, char16_t* out);
// The same appended to `out`.
void appendUtf16FromLenientUtf8(const uint8_t* bytes, size_t length, std::u16string& out);

// --- Native file names ----------------------------------------------------------------------
// File names natively are bytes. Valid UTF-8 becomes UTF-16; each byte of an
// invalid sequence becomes U+DC80..U+DCFF and turns back into that byte, so every
// name the system gives can be opened again.
// Writes at most n units to `out` and returns how many it wrote.
size_t utf16FromFileName(const unsigned char* s, size_t n, char16_t* out);
std::u16string utf16FromFileName(std::string_view name);
void fileNameFromUtf16(std::u16string_view text, std::string& out);
