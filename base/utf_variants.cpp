// The two UTF-8 variants with rules of their own: lenient CSV text and native file names.
#include "base/utf.h"
#include <cstring>

// --- Lenient UTF-8 ---------------------------------------------------------------------------
size_t utf16FromLenientUtf8(const uint8_t* bytes, size_t length, char16_t* out) {
  size_t i = 0, o = 0;
  auto at = [&](size_t k) -> uint32_t { return k < length ? bytes[k] : 0; };
  while (i < length) {
    uint32_t lead = bytes[i];
    if (lead < 0x80) {
      // Runs of ASCII are the common case: eight bytes at a time while none has its
      // high bit, which the compiler widens in vector registers.
      while (i + 8 <= length) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word & 0x8080808080808080ull) break;
        for (int k = 0; k < 8; k++) out[o + k] = bytes[i + k];
        i += 8;
        o += 8;
      }
      while (i < length && bytes[i] < 0x80) out[o++] = bytes[i++];
    } else if (lead >= 0xC0 && lead <= 0xDF) {
      if (i + 1 < length) {
        out[o++] = static_cast<char16_t>(((lead * 64) & 0x7FF) | (bytes[i + 1] & 0x3F));
      } else {
        out[o++] = static_cast<char16_t>((lead & 0x1F) * 64);
      }
      i += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      uint32_t unit = (lead * 4096) & 0xFFFF;
      if (i + 1 < length) unit |= (at(i + 1) & 0x3F) * 64;
      if (i + 2 < length) unit |= at(i + 2) & 0x3F;
      out[o++] = static_cast<char16_t>(unit);
      i += 3;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
      uint32_t value = (lead & 0x07) << 18;
      if (i + 1 < length) value |= (at(i + 1) & 0x3F) << 12;
      if (i + 2 < length) value |= (at(i + 2) & 0x3F) << 6;
      if (i + 3 < length) value |= at(i + 3) & 0x3F;
      if (value < 0x10000) {
        out[o++] = static_cast<char16_t>(value);
      } else {
        out[o++] = static_cast<char16_t>(value / 1024 + 0xD7C0);
        out[o++] = static_cast<char16_t>((value & 0x3FF) | 0xDC00);
      }
      i += 4;
    } else {
      out[o++] = u'\uFFFD';
      i += 1;
    }
  }
  return o;
}

void appendUtf16FromLenientUtf8(const uint8_t* bytes, size_t length, std::u16string& out) {
  size_t start = out.size();
  out.resize(start + length + 1);
  out.resize(start + utf16FromLenientUtf8(bytes, length, out.data() + start));
}


// --- Native file names --------------------------------------------------------------------------

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
