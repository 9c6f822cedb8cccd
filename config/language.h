// Interface texts: the language pack, the chosen language laid over English,
// plural rules and the number separators the language implies.
//
// Threading: texts are loaded and read on the window thread only (headless modes
// use fixed English literals). Views returned by text() stay valid until the next
// loadLanguage(); callers re-read texts after a language change.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text_ids.h"  // enum class Text, generated from resources/lang/en.txt

// --- The loaded texts -----------------------------------------------------------
// A code of two or more units selects its first two letters, ASCII lowered
// ("DE-at" -> de); anything shorter means the system's interface language. A
// language missing from the pack gives English; a missing or damaged pack gives
// empty texts. Also sets the plural category and the number separators.
void loadLanguage(std::u16string_view code);
// The text with that number; empty above 375. Loads the system language first
// when nothing is loaded yet.
std::u16string_view text(int number);
inline std::u16string_view text(Text id) { return text(static_cast<int>(id)); }
bool languageLoaded();
std::u16string_view languageCode();  // the two letters in effect; "en" before any load
int pluralCategory();                // 0 before any load

// --- Language rules (pure) --------------------------------------------------------
// The code loadLanguage() looks for, from the requested code and the system's UI
// locale name ("de-DE", "zh-Hant-TW"). Traditional Chinese locales get English.
std::u16string chooseLanguageCode(std::u16string_view requested, std::u16string_view systemLocaleName);
int pluralCategoryOf(std::u16string_view code);
void separatorsOf(std::u16string_view code, char16_t* decimal, char16_t* thousands);
// Which plural form (0, 1, 2) a count takes under a category 0..5.
int pluralFormFor(int category, int64_t count);
// The form-th of the |-separated forms; the last one when there are fewer.
std::u16string_view pluralFormOf(std::u16string_view text, int form);

// --- Platform ----------------------------------------------------------------------
// The system's interface language as a locale name such as "en-US"; "en" when unknown.
std::u16string systemLocaleName();
// The pack bytes carried by the program (resource 2 on Windows, a file natively);
// {nullptr, 0} when missing. The bytes live until the process ends.
struct PackBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};
PackBytes languagePackBytes();

// --- Reading a pack (pure) -----------------------------------------------------------
constexpr int kPackTextCount = 376;

struct LanguageTexts {
  std::u16string storage;               // every text, one after another
  uint32_t start[kPackTextCount + 1] = {};  // text n is storage[start[n], start[n + 1])
  std::u16string code = u"en";          // the language in effect
  std::u16string_view at(int n) const {
    return n < 0 || n >= kPackTextCount ? std::u16string_view() : std::u16string_view(storage).substr(start[n], start[n + 1] - start[n]);
  }
};

// Fills `out` from a pack for a two-letter code (already chosen). False for a
// missing or malformed pack: `out` then holds empty texts and code "en".
bool readLanguagePack(const uint8_t* data, size_t size, std::u16string_view code, LanguageTexts& out);
