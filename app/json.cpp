#include "app/json.h"
#include <cstdio>

namespace {
void appendAscii(std::u16string& out, const char* text) {
  for (; *text; text++) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
}
}  // namespace

void appendJsonString(std::u16string& out, std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  out.push_back(u'"');
  for (char16_t c : text) {
    if (c == u'"' || c == u'\\') {
      out.push_back(u'\\');
      out.push_back(c);
    } else if (c < 0x20) {
      out += u"\\u00";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back(u'"');
}

void appendJsonNumberArray(std::u16string& out, std::u16string_view name, std::span<const double> values) {
  out += u",\"";
  out += name;
  out += u"\":[";
  for (size_t i = 0; i < values.size(); i++) {
    if (i) out.push_back(u',');
    appendJsonFixed3(out, values[i]);
  }
  out.push_back(u']');
}

void appendJsonBool(std::u16string& out, bool value) { out += value ? u"true" : u"false"; }

void appendJsonNull(std::u16string& out) { out += u"null"; }

void appendJsonInteger(std::u16string& out, int64_t value) {
  char buffer[32];
  snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
  appendAscii(out, buffer);
}

void appendJsonFixed3(std::u16string& out, double value) {
  // Large values need up to 309 digits before the point.
  char buffer[400];
  snprintf(buffer, sizeof buffer, "%.3f", value);
  appendAscii(out, buffer);
}
