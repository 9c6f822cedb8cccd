#include "config/text_format.h"

#include <cstdio>

#include "config/language.h"
#include "base/utf.h"

namespace {

struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  bool narrowString = false;  // h
  bool wideString = false;    // l or w
  char type = 0;  // the letter: d, u, f, s, c ...
};

void pad(std::u16string& out, size_t length, const Conversion& conversion, std::u16string_view body) {
  size_t width = conversion.width > 0 ? static_cast<size_t>(conversion.width) : 0;
  bool left = conversion.flags.find('-') != std::string::npos;
  if (!left) out.append(width > length ? width - length : 0, u' ');
  out += body;
  if (left) out.append(width > length ? width - length : 0, u' ');
}

void appendString(std::u16string& out, const Conversion& conversion, std::u16string_view s) {
  if (conversion.precision >= 0 && s.size() > static_cast<size_t>(conversion.precision)) s = s.substr(0, conversion.precision);
  pad(out, s.size(), conversion, s);
}

// Numbers go through the C library with the same flags, on the neutral locale
// (the program never changes LC_NUMERIC).
void appendNumber(std::u16string& out, const Conversion& conversion, const TextArg& arg) {
  std::string format = "%" + conversion.flags;
  if (conversion.width >= 0) format += std::to_string(conversion.width);
  if (conversion.precision >= 0) format += "." + std::to_string(conversion.precision);
  char buffer[512];
  int n;
  char c = conversion.type;
  bool real = c == 'f' || c == 'F' || c == 'e' || c == 'E' || c == 'g' || c == 'G' || c == 'a' || c == 'A';
  if (real) {
    double value = arg.kind == TextArg::Real ? arg.real : static_cast<double>(arg.integer);
    n = std::snprintf(buffer, sizeof buffer, (format + c).c_str(), value);
  } else {
    long long value = arg.kind == TextArg::Real ? static_cast<long long>(arg.real) : arg.integer;
    format += "ll";
    format += c;
    n = (c == 'd' || c == 'i') ? std::snprintf(buffer, sizeof buffer, format.c_str(), value)
                               : std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<unsigned long long>(value));
  }
  if (n < 0) return;
  if (n >= static_cast<int>(sizeof buffer)) n = sizeof buffer - 1;
  for (int i = 0; i < n; i++) out.push_back(static_cast<unsigned char>(buffer[i]));
}

void appendArgument(std::u16string& out, const Conversion& conversion, const TextArg& arg) {
  char c = conversion.type;
  if (c == 's' || c == 'S') {
    if (arg.kind == TextArg::Wide) {
      appendString(out, conversion, arg.wide);
    } else if (arg.kind == TextArg::Narrow) {
      appendString(out, conversion, utf16FromUtf8(arg.narrow));
    } else {
      Conversion number = conversion;
      number.type = arg.kind == TextArg::Real ? 'g' : 'd';
      appendNumber(out, number, arg);
    }
  } else if (c == 'c') {
    char16_t unit = arg.kind == TextArg::Integer ? static_cast<char16_t>(arg.integer)
                    : arg.kind == TextArg::Wide && !arg.wide.empty() ? arg.wide[0]
                                                                      : u'?';
    appendString(out, conversion, std::u16string_view(&unit, 1));
  } else if (arg.kind == TextArg::Wide || arg.kind == TextArg::Narrow) {
    // A string where a number was expected: show the string rather than garbage.
    appendString(out, Conversion{}, arg.kind == TextArg::Wide ? std::u16string(arg.wide) : utf16FromUtf8(arg.narrow));
  } else {
    appendNumber(out, conversion, arg);
  }
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int readNumber(std::u16string_view f, size_t& i) {
  int value = 0;
  while (i < f.size() && isDigit(f[i])) {
    if (value < 100000) value = value * 10 + (f[i] - u'0');
    i++;
  }
  return value;
}

}  // namespace

std::u16string formatText(std::u16string_view f, std::initializer_list<TextArg> args) {
  std::u16string out;
  out.reserve(f.size() + 32);
  size_t nextArgument = 0;
  size_t i = 0;
  while (i < f.size()) {
    if (f[i] != u'%') {
      out.push_back(f[i++]);
      continue;
    }
    size_t start = i++;
    if (i < f.size() && f[i] == u'%') {
      out.push_back(u'%');
      i++;
      continue;
    }
    Conversion conversion;
    size_t argument = nextArgument;
    bool positional = false;
    size_t digits = i;
    int position = readNumber(f, i);
    if (i < f.size() && f[i] == u'$' && i > digits && position > 0) {
      argument = static_cast<size_t>(position - 1);
      positional = true;
      i++;
    } else {
      i = digits;
    }
    while (i < f.size() && (f[i] == u'-' || f[i] == u'+' || f[i] == u' ' || f[i] == u'#' || f[i] == u'0')) {
      conversion.flags.push_back(static_cast<char>(f[i++]));
    }
    if (i < f.size() && isDigit(f[i])) conversion.width = readNumber(f, i);
    if (i < f.size() && f[i] == u'.') {
      i++;
      conversion.precision = readNumber(f, i);
    }
    if (f.substr(i, 3) == u"I64") {
      i += 3;
    } else if (f.substr(i, 2) == u"ll") {
      i += 2;
    } else if (i < f.size() && (f[i] == u'l' || f[i] == u'w' || f[i] == u'L')) {
      conversion.wideString = true;
      i++;
    } else if (i < f.size() && f[i] == u'h') {
      conversion.narrowString = true;
      i++;
    }
    std::u16string_view conversions = u"sSdiuxXoFfeEgGaAc";
    if (i >= f.size() || conversions.find(f[i]) == std::u16string_view::npos) {
      // Not a placeholder this formatter knows: keep the text as written.
      out.append(f.substr(start, i - start));
      continue;
    }
    conversion.type = static_cast<char>(f[i++]);
    if (!positional) nextArgument++;
    if (argument < args.size()) appendArgument(out, conversion, args.begin()[argument]);
  }
  return out;
}

std::u16string formatPlural(int64_t count, std::u16string_view format, std::initializer_list<TextArg> args) {
  return formatText(pluralFormOf(format, pluralFormFor(pluralCategory(), count)), args);
}
