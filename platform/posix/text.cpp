// Error texts and name order natively.
//
// Threading: any thread.
#include "platform/text.h"
#include "base/utf.h"
#include <cstring>

std::u16string systemErrorText(uint32_t code) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not be in buffer.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  return utf16FromUtf8(text);
}

// --- Name order ----------------------------------------------------------------------------------------
// Upper-cased code units in ordinal order, then the exact units: a stable, locale-free
// stand-in for the Windows user-locale comparison.
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  size_t n = aLength < bLength ? aLength : bLength;
  const char16_t* upper = upperCaseTable();
  for (size_t i = 0; i < n; i++) {
    char16_t x = upper[a[i]], y = upper[b[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  for (size_t i = 0; i < n; i++) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}
