// The escaping of native names in CSV paths. A native name is any bytes but `/` and
// NUL: it may hold a line break, which would split its row, and bytes that are no
// UTF-8, which the tree keeps as U+DC80..U+DCFF and UTF-8 cannot carry. In the paths of
// a tree whose separator is `/` (and only there: Windows names hold neither) those
// units are written as `\xHH`, the byte in two upper-case hexadecimal digits:
//   U+000A, U+000D        -> \x0A, \x0D
//   U+DC80..U+DCFF        -> \x80..\xFF (the name's original byte)
//   `\` before `x` and two hexadecimal digits -> \x5C (so it does not read as an escape)
// Reading turns every `\x` with two hexadecimal digits back: below 0x80 into that
// unit, from 0x80 on into U+DC00 + the byte. Any other `\` is an ordinary character,
// so files written before the escaping read as they did.
//
// Threading: pure functions.
#pragma once
#include <cstddef>
#include <string>

namespace csvnames {

inline bool isHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
inline unsigned hexValue(char16_t c) {
  return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

inline bool needsEscape(const std::u16string& path, size_t i) {
  char16_t c = path[i];
  if (c == u'\n' || c == u'\r') return true;
  if (c == u'\\') {
    return i + 3 < path.size() && path[i + 1] == u'x' && isHexDigit(path[i + 2]) && isHexDigit(path[i + 3]);
  }
  if (c >= 0xDC80 && c <= 0xDCFF) return i == 0 || path[i - 1] < 0xD800 || path[i - 1] > 0xDBFF;
  return false;
}

}  // namespace csvnames

// Escapes path[from..] in place as above.
inline void escapeNativeCsvName(std::u16string& path, size_t from) {
  size_t i = from;
  while (i < path.size() && !csvnames::needsEscape(path, i)) i++;
  if (i == path.size()) return;
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out(path, 0, i);
  for (; i < path.size(); i++) {
    if (!csvnames::needsEscape(path, i)) {
      out.push_back(path[i]);
      continue;
    }
    unsigned byte = path[i] & 0xFF;
    out.append(u"\\x");
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 15]);
  }
  path.swap(out);
}

// Turns the escapes of units[0..length) back in place; returns the new length.
inline size_t unescapeNativeCsvPath(char16_t* units, size_t length) {
  size_t kept = 0;
  for (size_t i = 0; i < length; i++) {
    char16_t c = units[i];
    if (c == u'\\' && i + 3 < length && units[i + 1] == u'x' && csvnames::isHexDigit(units[i + 2]) &&
        csvnames::isHexDigit(units[i + 3])) {
      unsigned byte = csvnames::hexValue(units[i + 2]) * 16 + csvnames::hexValue(units[i + 3]);
      c = static_cast<char16_t>(byte < 0x80 ? byte : 0xDC00 | byte);
      i += 3;
    }
    units[kept++] = c;
  }
  return kept;
}
