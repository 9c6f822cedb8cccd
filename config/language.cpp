#include "config/language.h"

#include "engine/format.h"

namespace {

struct LoadedLanguage {
  LanguageTexts texts;
  int pluralCategory = 0;
  bool loaded = false;
};

LoadedLanguage& loadedLanguage() {
  static LoadedLanguage* language = new LoadedLanguage;  // lives to the end of the process
  return *language;
}

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::u16string chooseLanguageCode(std::u16string_view requested, std::u16string_view systemLocaleName) {
  if (requested.size() >= 2) return {lowerAscii(requested[0]), lowerAscii(requested[1])};
  // Traditional Chinese readers get English rather than the Simplified texts.
  for (std::u16string_view traditional : {u"zh-TW", u"zh-HK", u"zh-MO", u"zh-Hant"}) {
    if (startsWith(systemLocaleName, traditional)) return u"en";
  }
  if (systemLocaleName.size() < 2) return u"en";
  return {lowerAscii(systemLocaleName[0]), lowerAscii(systemLocaleName[1])};
}

int pluralCategoryOf(std::u16string_view code) {
  if (code == u"ja" || code == u"ko" || code == u"zh") return 1;
  if (code == u"fr") return 2;
  if (code == u"es") return 3;
  if (code == u"pl") return 4;
  if (code == u"ru") return 5;
  return 0;
}

void separatorsOf(std::u16string_view code, char16_t* decimal, char16_t* thousands) {
  if (code == u"de" || code == u"es") {
    *decimal = u',';
    *thousands = u'.';
  } else if (code == u"fr" || code == u"pl" || code == u"ru") {
    *decimal = u',';
    *thousands = u'\u00A0';
  } else {
    *decimal = u'.';
    *thousands = u',';
  }
}

int pluralFormFor(int category, int64_t count) {
  uint64_t n = count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
  uint64_t last = n % 10, lastTwo = n % 100;
  bool fewEnding = last >= 2 && last <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
  switch (category) {
    case 1:
      return 0;
    case 2:
      if (n <= 1) return 0;
      return n % 1000000 == 0 ? 1 : 2;
    case 3:
      if (n == 0) return 2;
      if (n == 1) return 0;
      return n % 1000000 == 0 ? 1 : 2;
    case 4:
      if (n == 0) return 2;
      if (n == 1) return 0;
      return fewEnding ? 1 : 2;
    case 5:
      if (last == 1 && lastTwo != 11) return 0;
      return fewEnding ? 1 : 2;
    default:
      return n == 1 ? 0 : 1;
  }
}

std::u16string_view pluralFormOf(std::u16string_view text, int form) {
  for (int k = 0; k < form; k++) {
    size_t bar = text.find(u'|');
    if (bar == std::u16string_view::npos) break;  // fewer forms: the last one serves
    text.remove_prefix(bar + 1);
  }
  return text.substr(0, text.find(u'|'));
}

void loadLanguage(std::u16string_view requested) {
  std::u16string code = chooseLanguageCode(requested, requested.size() >= 2 ? u"" : systemLocaleName());
  PackBytes pack = languagePackBytes();
  LoadedLanguage& language = loadedLanguage();
  readLanguagePack(pack.data, pack.size, code, language.texts);
  language.pluralCategory = pluralCategoryOf(language.texts.code);
  char16_t decimal, thousands;
  separatorsOf(language.texts.code, &decimal, &thousands);
  setNumberSeparators(decimal, thousands);
  language.loaded = true;
}

std::u16string_view text(int number) {
  if (!loadedLanguage().loaded) loadLanguage(u"");
  return loadedLanguage().texts.at(number);
}

bool languageLoaded() { return loadedLanguage().loaded; }
std::u16string_view languageCode() { return loadedLanguage().texts.code; }
int pluralCategory() { return loadedLanguage().pluralCategory; }
