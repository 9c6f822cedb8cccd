// Upper-casing on Windows: the whole range through CharUpperBuffW in one call.
#include "platform/upper_case.h"
#include <windows.h>
#include <cstdint>

void fillUpperCaseTable(char16_t* table) {
  for (uint32_t c = 0; c < 65536; c++) table[c] = static_cast<char16_t>(c);
  CharUpperBuffW(reinterpret_cast<wchar_t*>(table + 1), 65535);
}
