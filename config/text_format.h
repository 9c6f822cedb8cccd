// printf-style formatting of interface texts with positional parameters, so a
// translation can reorder its arguments ("%2$ls に %1$ls 行を…").
//
// Placeholders: %ls (wide string), %hs (narrow string), %d %i %u %x (with h, l,
// ll or I64; all take a 64-bit integer), %f %e %g (double), %c, and %% for a
// percent sign; flags, width and precision as in printf. %N$… takes argument N,
// a plain placeholder the next one. Numbers use '.' whatever the language: texts
// that show localised numbers get them preformatted as strings (engine/format.h).
// A missing argument prints nothing.
#pragma once
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

struct TextArg {
  enum Kind : uint8_t { Wide, Narrow, Integer, Real };
  Kind kind;
  std::u16string_view wide;
  std::string_view narrow;
  int64_t integer = 0;
  double real = 0;

  TextArg(std::u16string_view s) : kind(Wide), wide(s) {}
  TextArg(const char16_t* s) : kind(Wide), wide(s) {}
  TextArg(const std::u16string& s) : kind(Wide), wide(s) {}
  TextArg(std::string_view s) : kind(Narrow), narrow(s) {}
  TextArg(const char* s) : kind(Narrow), narrow(s) {}
  TextArg(const std::string& s) : kind(Narrow), narrow(s) {}
  template <std::integral T>
  TextArg(T v) : kind(Integer), integer(static_cast<int64_t>(v)) {}
  TextArg(double v) : kind(Real), real(v) {}
};

std::u16string formatText(std::u16string_view format, std::initializer_list<TextArg> args);
// Picks the plural form of `format` for `count` under the loaded language's rule,
// then formats it. The count only chooses the form; the shown number is an argument.
std::u16string formatPlural(int64_t count, std::u16string_view format, std::initializer_list<TextArg> args);
