// The interface text sources, resources/lang/<code>.txt: one text per line as
// number, a tab and the text (escapes \n, \t, \\; plural forms separated by |),
// lines starting with # are comments. Shared by the pack tool and the tests, so it
// lives in this header and uses only the standard library and base/ (the tool is built
// for the build machine from its own sources and base/utf.cpp).
#pragma once
#include "base/utf.h"
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace langpack {

constexpr int kTextCount = 376;
// The order of the language entries in the pack.
constexpr const char* kLanguageCodes[] = {"en", "de", "es", "fr", "ja", "ko", "pl", "ru", "zh"};

struct TextFile {
  std::vector<std::string> texts = std::vector<std::string>(kTextCount);  // UTF-8, escapes resolved
  std::vector<int> lineOf = std::vector<int>(kTextCount, 0);             // 0: no line for it
};

// Reads a source file; false with `error` naming the file and line on any fault.
inline bool readTextFile(const std::string& path, TextFile& out, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = path + ": cannot be opened";
    return false;
  }
  std::string content;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  std::fclose(f);
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);

  size_t at = 0;
  int lineNumber = 0;
  while (at < content.size()) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + at, end - at);
    at = end + 1;
    lineNumber++;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      error = path + ":" + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0 || tab > 4) return fail("expected a text number, a tab and the text");
    int number = 0;
    for (size_t k = 0; k < tab; k++) {
      if (line[k] < '0' || line[k] > '9') return fail("the text number is not a number");
      number = number * 10 + (line[k] - '0');
    }
    if (number >= kTextCount) return fail("text number " + std::to_string(number) + " is above " + std::to_string(kTextCount - 1));
    if (out.lineOf[number] != 0) {
      return fail("text " + std::to_string(number) + " appears again (first on line " + std::to_string(out.lineOf[number]) + ")");
    }
    std::string_view raw = line.substr(tab + 1);
    if (!isValidUtf8(raw)) return fail("the text is not valid UTF-8");
    std::string text;
    for (size_t k = 0; k < raw.size(); k++) {
      if (raw[k] != '\\') {
        text.push_back(raw[k]);
        continue;
      }
      char next = k + 1 < raw.size() ? raw[k + 1] : '\0';
      if (next == 'n') {
        text.push_back('\n');
      } else if (next == 't') {
        text.push_back('\t');
      } else if (next == '\\') {
        text.push_back('\\');
      } else {
        return fail("unknown escape; use \\n, \\t or \\\\");
      }
      k++;
    }
    out.texts[number] = text;
    out.lineOf[number] = lineNumber;
  }
  return true;
}

// The placeholders of one plural form as a set of "argument:conversion" items ("1:ls",
// "2:d"), so that reordered positional placeholders compare equal to plain ones.
// False with `error` for a placeholder the formatter does not know.
inline bool placeholdersOf(std::string_view form, std::set<std::string>& out, std::string& error) {
  out.clear();
  int sequential = 0;
  bool plain = false, positional = false;
  for (size_t i = 0; i < form.size(); i++) {
    if (form[i] != '%') continue;
    size_t start = i++;
    if (i < form.size() && form[i] == '%') continue;
    int argument = 0;
    size_t digits = i;
    while (i < form.size() && form[i] >= '0' && form[i] <= '9') i++;
    if (i < form.size() && form[i] == '$' && i > digits) {
      argument = std::stoi(std::string(form.substr(digits, i - digits)));
      i++;
      positional = true;
    } else {
      i = digits;
      argument = ++sequential;
      plain = true;
    }
    size_t specStart = i;
    while (i < form.size() && std::string_view("-+ #0").find(form[i]) != std::string_view::npos) i++;
    while (i < form.size() && form[i] >= '0' && form[i] <= '9') i++;
    if (i < form.size() && form[i] == '.') {
      i++;
      while (i < form.size() && form[i] >= '0' && form[i] <= '9') i++;
    }
    if (form.compare(i, 2, "ll") == 0) {
      i += 2;
    } else if (i < form.size() && (form[i] == 'l' || form[i] == 'h')) {
      i++;
    }
    if (i >= form.size() || std::string_view("sdiuxXfFeEgGc").find(form[i]) == std::string_view::npos || argument < 1) {
      error = "unknown placeholder \"" + std::string(form.substr(start, std::min(form.size(), i + 1) - start)) + "\"";
      return false;
    }
    out.insert(std::to_string(argument) + ":" + std::string(form.substr(specStart, i + 1 - specStart)));
  }
  if (plain && positional) {
    error = "mixes numbered (%1$ls) and plain (%ls) placeholders";
    return false;
  }
  return true;
}

inline std::vector<std::string_view> pluralForms(std::string_view text) {
  std::vector<std::string_view> forms;
  size_t at = 0;
  for (;;) {
    size_t bar = text.find('|', at);
    forms.push_back(text.substr(at, bar == std::string_view::npos ? std::string_view::npos : bar - at));
    if (bar == std::string_view::npos) return forms;
    at = bar + 1;
  }
}

inline std::string describe(const std::set<std::string>& placeholders) {
  if (placeholders.empty()) return "none";
  std::string out;
  for (const std::string& p : placeholders) {
    size_t colon = p.find(':');
    if (!out.empty()) out += ", ";
    out += "%" + p.substr(0, colon) + "$" + p.substr(colon + 1);
  }
  return out;
}

// Empty when every plural form of the translation uses exactly the placeholders
// of an English form; otherwise what is wrong.
inline std::string placeholderMismatch(std::string_view english, std::string_view translation) {
  std::vector<std::string_view> englishForms = pluralForms(english);
  std::vector<std::string_view> forms = pluralForms(translation);
  if (englishForms.size() == 1 && forms.size() > 1) return "has plural forms (|) but the English text has none";
  std::vector<std::set<std::string>> allowed;
  std::string error;
  for (std::string_view f : englishForms) {
    std::set<std::string> set;
    if (!placeholdersOf(f, set, error)) return "the English text " + error;
    allowed.push_back(set);
  }
  for (size_t k = 0; k < forms.size(); k++) {
    std::set<std::string> set;
    if (!placeholdersOf(forms[k], set, error)) return "plural form " + std::to_string(k) + " " + error;
    if (std::find(allowed.begin(), allowed.end(), set) == allowed.end()) {
      return "plural form " + std::to_string(k) + " has placeholders " + describe(set) + " but the English text has " +
             describe(allowed[0]);
    }
  }
  return {};
}

}  // namespace langpack
