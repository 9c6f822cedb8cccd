#include "config/text_format.h"

#include <cstdio>

#include "config/language.h"
#include "engine/utf.h"

namespace {

struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  bool narrowString = false;  // h
  bool wideString = false;    // l or w
  char conversion = 0;
};

void pad(std::u16string& out, size_t length, const Spec& spec, std::u16string_view body) {
  size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  bool left = spec.flags.find('-') != std::string::npos;
  if (!left) out.append(width > length ? width - length : 0, u' ');
  out += body;
  if (left) out.append(width > length ? width - length : 0, u' ');
}

void appendString(std::u16string& out, const Spec& spec, std::u16string_view s) {
  if (spec.precision >= 0 && s.size() > static_cast<size_t>(spec.precision)) s = s.substr(0, spec.precision);
  pad(out, s.size(), spec, s);
}

// Numbers go through the C library with the same flags, on the neutral locale
// (the program never changes LC_NUMERIC).
void appendNumber(std::u16string& out, const Spec& spec, const TextArg& arg) {
  std::string format = "%" + spec.flags;
  if (spec.width >= 0) format += std::to_string(spec.width);
  if (spec.precision >= 0) format += "." + std::to_string(spec.precision);
  char buffer[512];
  int n;
  char c = spec.conversion;
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

void appendArgument(std::u16string& out, const Spec& spec, const TextArg& arg) {
  char c = spec.conversion;
  if (c == 's' || c == 'S') {
    if (arg.kind == TextArg::Wide) {
      appendString(out, spec, arg.wide);
    } else if (arg.kind == TextArg::Narrow) {
      appendString(out, spec, utf16FromUtf8(arg.narrow));
    } else {
      Spec number = spec;
      number.conversion = arg.kind == TextArg::Real ? 'g' : 'd';
      appendNumber(out, number, arg);
    }
  } else if (c == 'c') {
    char16_t unit = arg.kind == TextArg::Integer ? static_cast<char16_t>(arg.integer)
                    : arg.kind == TextArg::Wide && !arg.wide.empty() ? arg.wide[0]
                                                                      : u'?';
    appendString(out, spec, std::u16string_view(&unit, 1));
  } else if (arg.kind == TextArg::Wide || arg.kind == TextArg::Narrow) {
    // A string where a number was expected: show the string rather than garbage.
    appendString(out, Spec{}, arg.kind == TextArg::Wide ? std::u16string(arg.wide) : utf16FromUtf8(arg.narrow));
  } else {
    appendNumber(out, spec, arg);
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
    Spec spec;
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
      spec.flags.push_back(static_cast<char>(f[i++]));
    }
    if (i < f.size() && isDigit(f[i])) spec.width = readNumber(f, i);
    if (i < f.size() && f[i] == u'.') {
      i++;
      spec.precision = readNumber(f, i);
    }
    if (f.substr(i, 3) == u"I64") {
      i += 3;
    } else if (f.substr(i, 2) == u"ll") {
      i += 2;
    } else if (i < f.size() && (f[i] == u'l' || f[i] == u'w' || f[i] == u'L')) {
      spec.wideString = true;
      i++;
    } else if (i < f.size() && f[i] == u'h') {
      spec.narrowString = true;
      i++;
    }
    std::u16string_view conversions = u"sSdiuxXoFfeEgGaAc";
    if (i >= f.size() || conversions.find(f[i]) == std::u16string_view::npos) {
      // Not a placeholder this formatter knows: keep the text as written.
      out.append(f.substr(start, i - start));
      continue;
    }
    spec.conversion = static_cast<char>(f[i++]);
    if (!positional) nextArgument++;
    if (argument < args.size()) appendArgument(out, spec, args.begin()[argument]);
  }
  return out;
}

std::u16string formatPlural(int64_t count, std::u16string_view format, std::initializer_list<TextArg> args) {
  return formatText(pluralFormOf(format, pluralFormFor(pluralCategory(), count)), args);
}
