#include "base/utf.h"
#include <cstdint>

std::u16string utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0, n = text.size();
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < n) {
    unsigned c = byte(i);
    unsigned need = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
    if (need == 9) { out.push_back(0xFFFD); i++; continue; }
    if (need == 0) { out.push_back(static_cast<char16_t>(c)); i++; continue; }
    unsigned code = c & (0x3F >> need);
    size_t k = 1;
    for (; k <= need && i + k < n && (byte(i + k) & 0xC0) == 0x80; k++) code = (code << 6) | (byte(i + k) & 0x3F);
    static const unsigned minimum[] = {0, 0x80, 0x800, 0x10000};
    if (k <= need || code < minimum[need] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(0xFFFD);
      i += k;  // skip the lead byte and the continuation bytes that belonged to it
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += k;
  }
  return out;
}

size_t utf8FromUtf16Into(const char16_t* text, size_t length, std::string& out) {
  if (out.size() < length * 3) out.resize(length * 3);
  char* p = out.data();
  for (size_t i = 0; i < length; i++) {
    uint32_t c = text[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<size_t>(p - out.data());
}

std::string utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.resize(utf8FromUtf16Into(text.data(), text.size(), out));
  return out;
}

bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int need = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (need < 0 || s.size() - i <= static_cast<size_t>(need)) return false;
    unsigned code = need == 0 ? c : c & (0x3F >> need);
    for (int k = 1; k <= need; k++) {
      unsigned char b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      code = (code << 6) | (b & 0x3F);
    }
    static const unsigned kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[need] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += need + 1;
  }
  return true;
}
