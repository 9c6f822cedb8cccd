#include "platform/posix/file_names.h"

size_t utf16FromFileName(const unsigned char* s, size_t n, char16_t* out) {
  size_t o = 0;
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    if (c < 0x80) { out[o++] = static_cast<char16_t>(c); i++; continue; }
    unsigned need = 0, cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) { need = 1; cp = c & 0x1F; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { need = 2; cp = c & 0x0F; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { need = 3; cp = c & 0x07; min = 0x10000; }
    bool ok = need && i + need < n;
    if (ok) {
      for (unsigned k = 1; k <= need; k++) {
        unsigned t = s[i + k];
        if ((t & 0xC0) != 0x80) { ok = false; break; }
        cp = (cp << 6) | (t & 0x3F);
      }
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) { out[o++] = static_cast<char16_t>(0xDC00 | c); i++; continue; }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[o++] = static_cast<char16_t>(0xD800 | (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out[o++] = static_cast<char16_t>(cp);
    }
    i += need + 1;
  }
  return o;
}

void fileNameFromUtf16(std::u16string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); i++) {
    unsigned c = text[i];
    if (c < 0x80) { out += static_cast<char>(c); continue; }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      unsigned cp = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
      continue;
    }
    if (c >= 0xDC80 && c <= 0xDCFF) { out += static_cast<char>(c & 0xFF); continue; }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::u16string utf16FromFileName(std::string_view name) {
  std::u16string text(name.size(), u'\0');
  text.resize(utf16FromFileName(reinterpret_cast<const unsigned char*>(name.data()), name.size(), text.data()));
  return text;
}
