// A file name's extension, worked out the same way wherever it is needed: the
// extension table, the type filter and the map's type colours.
//
// Threading: pure functions.
#pragma once
#include <cstddef>

// Extensions longer than this have no type: they are counted nowhere and drawn
// in the no-type colour.
constexpr size_t kMaxExtensionLength = 16;

// Where the extension starts: just past the last dot at position 1 or later, so a
// leading dot (a hidden file's name) starts none. 0 when there is no extension; an
// empty one (a name ending in a dot) starts at `length`.
// `Name` is anything indexed by unit: a pointer, a string view, a stored node name.
template <typename Name>
constexpr size_t extensionStart(const Name& name, size_t length) {
  for (size_t i = length; i > 1; i--)
    if (name[i - 1] == u'.') return i;
  return 0;
}

constexpr char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
