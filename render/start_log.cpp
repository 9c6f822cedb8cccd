#include "render/start_log.h"
#include <cstdio>

StartTry startTry(int32_t number) {
  switch (number) {
    case 1: return {false, false, false, u"GPU"};
    case 2: return {true, true, false, u"GPU"};
    default: return {true, true, true, u"WARP"};
  }
}

namespace {
std::u16string ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }
std::u16string hex8(uint32_t code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(code));
  return ascii(buffer);
}
}  // namespace

std::u16string startLogLine(const LocalTime& t, int32_t tryNumber, std::u16string_view step, uint32_t code) {
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u Direct2D start, try %d (", t.year, t.month, t.day, t.hour,
                t.minute, t.second, static_cast<int>(tryNumber));
  std::u16string line = ascii(stamp);
  line += startTry(tryNumber).label;
  line += u"): ";
  line += step;
  line += u" failed, ";
  line += hex8(code);
  line += u"\r\n";
  return line;
}

std::u16string startFailureText(std::u16string_view message, std::u16string_view step, uint32_t code) {
  std::u16string text(message);
  text += u"\n\n";
  text += step;
  text += u": ";
  text += hex8(code);
  return text;
}
