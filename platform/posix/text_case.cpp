#include "platform/text.h"
#include "platform/scan_path.h"

bool equalIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  for (size_t i = 0; i < a.size(); i++)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// POSIX file systems tell /data and /Data apart.
bool samePathText(std::u16string_view a, std::u16string_view b) { return a == b; }
