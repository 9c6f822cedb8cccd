#include "platform/text.h"
#include "platform/scan_path.h"
#include <windows.h>

namespace {
bool ordinalEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                              reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}
}

bool equalIgnoringCase(std::u16string_view a, std::u16string_view b) { return ordinalEqual(a, b); }
bool samePathText(std::u16string_view a, std::u16string_view b) { return ordinalEqual(a, b); }
