// Upper-casing natively: the C library's Unicode tables under the C.UTF-8 locale.
// Windows upper-cases a unit only when the capital lower-cases back to it, so
// µ, ς and the Greek symbol forms (ϐ ϑ ϕ ...) stay as they are; the same rule here
// gives the same table on both targets.
#include "platform/upper_case.h"
#include <clocale>
#include <cstdint>
#include <cwctype>
#include <locale.h>

void fillUpperCaseTable(char16_t* table) {
  for (uint32_t c = 0; c < 65536; c++) table[c] = static_cast<char16_t>(c);
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (!utf8) {
    // Without a Unicode locale only ASCII letters are known to fold safely.
    for (uint32_t c = u'a'; c <= u'z'; c++) table[c] = static_cast<char16_t>(c - 32);
    return;
  }
  locale_t previous = uselocale(utf8);
  for (uint32_t c = 1; c < 65536; c++) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;   // surrogates have no case
    wint_t upper = towupper(static_cast<wint_t>(c));
    if (upper > 0 && upper < 65536 && towlower(upper) == static_cast<wint_t>(c)) table[c] = static_cast<char16_t>(upper);
  }
  uselocale(previous);
  freelocale(utf8);
}
