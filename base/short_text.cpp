#include "base/short_text.h"

namespace {
template <typename Blank>
std::u16string_view trimmed(std::u16string_view text, Blank blank) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}
}  // namespace

std::u16string_view trimBlanks(std::u16string_view text) {
  return trimmed(text, [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
}

std::u16string_view trimSpacesAndTabs(std::u16string_view text) {
  return trimmed(text, [](char16_t c) { return c == u' ' || c == u'\t'; });
}

int32_t leadingDecimal(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) i++;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; i++) {
    value = value * 10 + (text[i] - u'0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) value = -value;
  return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}
