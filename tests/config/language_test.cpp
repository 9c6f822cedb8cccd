#include "config/language.h"
#include "config/text_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/format.h"
#include "base/utf.h"
#include "tools/langpack/text_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string narrow(std::u16string_view s) { return utf8FromUtf16(s); }

// --- Hand-made packs: stored deflate blocks, so any bytes can be packed ------
void putU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; i++) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putBytes(Bytes& b, std::initializer_list<uint8_t> bytes) {
  for (uint8_t x : bytes) b.push_back(x);
}

Bytes storedMszip(const Bytes& data) {
  Bytes out;
  putU32(out, 0xC0E5510A);
  putBytes(out, {24, 0, 0xE7, 0x02});
  putU32(out, static_cast<uint32_t>(data.size()));
  putU32(out, 0);
  putU32(out, 32768);
  putU32(out, 0);
  for (size_t at = 0; at < data.size(); at += 32768) {
    size_t n = std::min<size_t>(32768, data.size() - at);
    putU32(out, static_cast<uint32_t>(2 + 5 + n));
    putBytes(out, {'C', 'K', 0x01, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
    out.insert(out.end(), data.begin() + at, data.begin() + at + n);
  }
  return out;
}

struct Entry {
  std::string code;  // two letters
  std::vector<std::string> texts;
  int64_t offsetOverride = -1;
};

Bytes makePack(const std::vector<Entry>& entries) {
  Bytes blocks, table;
  for (const Entry& e : entries) {
    size_t offset = blocks.size();
    for (const std::string& t : e.texts) {
      blocks.insert(blocks.end(), t.begin(), t.end());
      blocks.push_back(0);
    }
    putBytes(table, {static_cast<uint8_t>(e.code[0]), static_cast<uint8_t>(e.code[1]), 0, 0});
    putU32(table, static_cast<uint32_t>(e.offsetOverride >= 0 ? e.offsetOverride : offset));
    putU32(table, static_cast<uint32_t>(blocks.size() - offset));
  }
  Bytes compressed = storedMszip(blocks);
  Bytes pack = {'M', 'B', 'L', '2', static_cast<uint8_t>(entries.size()), 0, 0x78, 0x01};
  putU32(pack, static_cast<uint32_t>(compressed.size()));
  putU32(pack, static_cast<uint32_t>(blocks.size()));
  pack.insert(pack.end(), table.begin(), table.end());
  pack.insert(pack.end(), compressed.begin(), compressed.end());
  return pack;
}

void expectEmptyEnglish(const LanguageTexts& t) {
  EXPECT_EQ(t.code, u"en");
  for (int n = 0; n < kPackTextCount; n++) ASSERT_TRUE(t.at(n).empty()) << n;
}

Bytes builtPack() {
  PackBytes p = languagePackBytes();
  return Bytes(p.data, p.data + p.size);
}

// Restores English after tests that load other languages.
class Language : public ::testing::Test {
 protected:
  void TearDown() override {
    loadLanguage(u"en");
    setDecimalSizes(true);
  }
};

// --- The built pack against its sources ----------------------------------------
TEST_F(Language, EveryLanguageRoundTripsFromItsSourceFile) {
  Bytes pack = builtPack();
  ASSERT_GT(pack.size(), 16u) << "the build's language pack is missing";
  std::string error;
  langpack::TextFile english;
  ASSERT_TRUE(langpack::readTextFile(std::string(MB_SOURCE_DIR) + "/resources/lang/en.txt", english, error)) << error;
  int languagesChecked = 0;
  for (const char* code : langpack::kLanguageCodes) {
    std::string path = std::string(MB_SOURCE_DIR) + "/resources/lang/" + code + ".txt";
    langpack::TextFile source;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      std::fclose(f);
      ASSERT_TRUE(langpack::readTextFile(path, source, error)) << error;
    }
    std::u16string code16(code, code + 2);
    LanguageTexts texts;
    ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), code16, texts)) << code;
    EXPECT_EQ(texts.code, code16);  // every language has its entry, translated or not
    for (int n = 0; n < kPackTextCount; n++) {
      const std::string& expected = source.texts[n].empty() ? english.texts[n] : source.texts[n];
      ASSERT_EQ(narrow(texts.at(n)), expected) << code << " text " << n;
    }
    languagesChecked++;
  }
  EXPECT_EQ(languagesChecked, 9);
}

TEST_F(Language, EnglishTextsThroughTheProcessWideApi) {
  loadLanguage(u"en");
  EXPECT_TRUE(languageLoaded());
  EXPECT_EQ(languageCode(), u"en");
  EXPECT_EQ(text(Text::DiskUsageAtAGlance), u"Disk usage, at a glance");
  EXPECT_EQ(text(Text::ItemFound), u"%ls item found|%ls items found");
  EXPECT_EQ(text(375), u"");
  EXPECT_EQ(text(376), u"");
  EXPECT_EQ(text(400), u"");
  EXPECT_EQ(text(-1), u"");
}

// --- Choosing the language --------------------------------------------------------
TEST(LanguageChoice, CodesFromRequestAndSystemLocale) {
  struct Case {
    const char16_t* requested;
    const char16_t* system;
    const char16_t* expected;
  } cases[] = {
      {u"DE-at", u"fr-FR", u"de"},     {u"de", u"", u"de"},        {u"xx", u"de-DE", u"xx"},
      {u"", u"zh-Hant-TW", u"en"},     {u"", u"zh-TW", u"en"},     {u"", u"zh-HK", u"en"},
      {u"", u"zh-MO", u"en"},          {u"", u"zh-CN", u"zh"},     {u"", u"zh-Hans-SG", u"zh"},
      {u"e", u"fr-FR", u"fr"},         {u"", u"PL-pl", u"pl"},     {u"", u"", u"en"},
      {u"", u"ZH-TW", u"zh"},  // the Traditional Chinese test is case-sensitive, as Windows names are
      {u"zh-TW", u"en-US", u"zh"},     // an explicit choice is taken as it is
  };
  for (const Case& c : cases) {
    EXPECT_EQ(chooseLanguageCode(c.requested, c.system), c.expected)
        << narrow(c.requested) << " / " << narrow(c.system);
  }
}

TEST_F(Language, LoadingSetsCodePluralRuleAndSeparators) {
  struct Case {
    const char16_t* requested;
    const char16_t* code;
    int category;
    char16_t decimal, thousands;
  } cases[] = {
      {u"DE-at", u"de", 0, u',', u'.'},  {u"xx", u"en", 0, u'.', u','},     {u"fr", u"fr", 2, u',', u'\u00A0'},
      {u"es", u"es", 3, u',', u'.'},     {u"pl", u"pl", 4, u',', u'\u00A0'}, {u"ru", u"ru", 5, u',', u'\u00A0'},
      {u"JA", u"ja", 1, u'.', u','},     {u"ko", u"ko", 1, u'.', u','},      {u"zh", u"zh", 1, u'.', u','},
      {u"en-GB", u"en", 0, u'.', u','},
  };
  for (const Case& c : cases) {
    loadLanguage(c.requested);
    EXPECT_EQ(languageCode(), c.code) << narrow(c.requested);
    EXPECT_EQ(pluralCategory(), c.category) << narrow(c.requested);
    EXPECT_EQ(decimalSeparator(), c.decimal) << narrow(c.requested);
    EXPECT_EQ(thousandsSeparator(), c.thousands) << narrow(c.requested);
    EXPECT_FALSE(text(Text::DiskUsageAtAGlance).empty()) << "English shows where a translation is missing";
  }
  loadLanguage(u"DE-at");
  EXPECT_EQ(formatCount(1234567), u"1.234.567");
  EXPECT_EQ(formatSize(1536), u"1,5 kB");
}

// --- Plural rules --------------------------------------------------------------------
TEST(Plural, FormsByCategory) {
  struct Case {
    const char* language;
    int category;
    int64_t count;
    int form;
  } cases[] = {
      {"en", 0, 0, 1},       {"en", 0, 1, 0},       {"en", 0, -1, 0},     {"en", 0, 2, 1},      {"en", 0, 11, 1},
      {"ja", 1, 0, 0},       {"ja", 1, 1, 0},       {"ja", 1, 1000000, 0},
      {"fr", 2, 0, 0},       {"fr", 2, 1, 0},       {"fr", 2, 2, 2},      {"fr", 2, 1500, 2},   {"fr", 2, 2000000, 1},
      {"fr", 2, -2000000, 1}, {"fr", 2, 1000001, 2},
      {"es", 3, 0, 2},       {"es", 3, 1, 0},       {"es", 3, 2, 2},      {"es", 3, 3000000, 1},
      {"pl", 4, 0, 2},       {"pl", 4, 1, 0},       {"pl", 4, 2, 1},      {"pl", 4, 4, 1},      {"pl", 4, 5, 2},
      {"pl", 4, 12, 2},      {"pl", 4, 21, 2},      {"pl", 4, 22, 1},     {"pl", 4, 25, 2},     {"pl", 4, 112, 2},
      {"pl", 4, 1002, 1},
      {"ru", 5, 0, 2},       {"ru", 5, 1, 0},       {"ru", 5, 11, 2},     {"ru", 5, 12, 2},     {"ru", 5, 21, 0},
      {"ru", 5, 22, 1},      {"ru", 5, 101, 0},     {"ru", 5, 111, 2},    {"ru", 5, -21, 0},    {"ru", 5, 5, 2},
      {"ru", 5, INT64_MIN, 2},
  };
  for (const Case& c : cases) {
    std::u16string code(c.language, c.language + 2);
    EXPECT_EQ(pluralCategoryOf(code), c.category) << c.language;
    EXPECT_EQ(pluralFormFor(c.category, c.count), c.form) << c.language << " " << c.count;
  }
  EXPECT_EQ(pluralCategoryOf(u"xx"), 0);
}

TEST(Plural, MissingFormsFallBackToTheLast) {
  std::u16string_view english = u"%ls item|%ls items";
  EXPECT_EQ(pluralFormOf(english, 0), u"%ls item");
  EXPECT_EQ(pluralFormOf(english, 1), u"%ls items");
  EXPECT_EQ(pluralFormOf(english, 2), u"%ls items");  // a French count with an English text
  EXPECT_EQ(pluralFormOf(u"%ls 個の項目が見つかりました", 2), u"%ls 個の項目が見つかりました");
  std::u16string_view french = u"%ls élément trouvé|%ls d'éléments trouvés|%ls éléments trouvés";
  EXPECT_EQ(formatText(pluralFormOf(french, pluralFormFor(2, 2000000)), {u"2\u00A0000\u00A0000"}),
            u"2\u00A0000\u00A0000 d'éléments trouvés");
  std::u16string_view polish = u"Znaleziono %ls element|Znaleziono %ls elementy|Znaleziono %ls elementów";
  EXPECT_EQ(formatText(pluralFormOf(polish, pluralFormFor(4, 22)), {u"22"}), u"Znaleziono 22 elementy");
}

TEST_F(Language, PluralFormatUsesTheLoadedRule) {
  loadLanguage(u"en");
  EXPECT_EQ(formatPlural(0, u"%ls item|%ls items", {u"0"}), u"0 items");
  EXPECT_EQ(formatPlural(1, u"%ls item|%ls items", {u"1"}), u"1 item");
  loadLanguage(u"fr");
  EXPECT_EQ(formatPlural(0, u"%ls élément|%ls d'éléments|%ls éléments", {u"0"}), u"0 élément");
  EXPECT_EQ(formatPlural(1500, u"%ls élément|%ls d'éléments|%ls éléments", {u"1 500"}), u"1 500 éléments");
}

// --- Format -----------------------------------------------------------------------------
TEST(Format, Placeholders) {
  EXPECT_EQ(formatText(u"Exported %ls rows to %ls", {u"12", u"C:\\a.csv"}), u"Exported 12 rows to C:\\a.csv");
  EXPECT_EQ(formatText(u"%2$ls に %1$ls 行をエクスポートしました", {u"1,234", u"D:\\scan.csv"}),
            u"D:\\scan.csv に 1,234 行をエクスポートしました");
  EXPECT_EQ(formatText(u"%1$ls-%1$ls", {u"x"}), u"x-x");
  EXPECT_EQ(formatText(u"Reading the MFT · %lld %% · %ls of %ls records", {int64_t{42}, u"1", u"2"}),
            u"Reading the MFT · 42 % · 1 of 2 records");
  EXPECT_EQ(formatText(u"Windows error %lu.", {uint32_t{0x80070005}}), u"Windows error 2147942405.");
  EXPECT_EQ(formatText(u"%d|%u|%lld", {-5, -1, INT64_MIN}), u"-5|18446744073709551615|-9223372036854775808");
  EXPECT_EQ(formatText(u"%hs and %ls", {"narrow é", u"wide"}), u"narrow é and wide");
  EXPECT_EQ(formatText(u"%.3f %f %5.1f|%-4d|%04d|%x", {3.14159, 2.5, 9.96, 7, 42, 255}),
            u"3.142 2.500000  10.0|7   |0042|ff");
  EXPECT_EQ(formatText(u"[%5ls][%-5ls][%.2ls]", {u"ab", u"cd", u"xyz"}), u"[   ab][cd   ][xy]");
  EXPECT_EQ(formatText(u"%ls and %ls", {u"only one"}), u"only one and ");  // a missing argument prints nothing
  EXPECT_EQ(formatText(u"100%", {}), u"100%");
  EXPECT_EQ(formatText(u"%q %ls", {u"a"}), u"%q a");
  EXPECT_EQ(formatText(u"Moves %d, pairs %d of 8, time %ls", {12, 3, u"1:05"}), u"Moves 12, pairs 3 of 8, time 1:05");
}

TEST_F(Language, JapaneseExportTextReordersItsArguments) {
  // The English text names the row count first; a translation may swap them.
  std::u16string_view english = u"Exported %ls row to %ls|Exported %ls rows to %ls";
  loadLanguage(u"en");
  EXPECT_EQ(formatPlural(2, english, {u"2", u"out.csv"}), u"Exported 2 rows to out.csv");
  loadLanguage(u"ja");
  EXPECT_EQ(formatPlural(2, u"%2$ls に %1$ls 行をエクスポートしました", {u"2", u"out.csv"}),
            u"out.csv に 2 行をエクスポートしました");
  // Whatever the pack holds for this text formats with the same two arguments.
  std::u16string shown = formatPlural(2, text(Text::ExportedRowTo), {u"2", u"out.csv"});
  EXPECT_NE(shown.find(u"out.csv"), std::u16string::npos);
  EXPECT_NE(shown.find(u"2"), std::u16string::npos);
}

// --- Damaged packs ---------------------------------------------------------------------------
TEST(LanguagePack, DamagedPacksGiveEmptyEnglishWithoutCrashing) {
  Bytes pack = builtPack();
  ASSERT_GT(pack.size(), 100u);
  LanguageTexts texts;
  for (size_t length : {size_t{0}, size_t{3}, size_t{15}, size_t{16}, size_t{16 + 12 * 9}, pack.size() / 2, pack.size() - 1}) {
    EXPECT_FALSE(readLanguagePack(pack.data(), length, u"de", texts)) << length;
    expectEmptyEnglish(texts);
  }
  Bytes wrongMagic = pack;
  wrongMagic[3] = '1';
  EXPECT_FALSE(readLanguagePack(wrongMagic.data(), wrongMagic.size(), u"en", texts));
  expectEmptyEnglish(texts);
  // Corrupt deflate data: flip bytes throughout the compressed part.
  size_t dataStart = 16 + 12 * 9 + 24 + 6;
  for (size_t at = dataStart; at < pack.size(); at += pack.size() / 40) {
    Bytes broken = pack;
    broken[at] ^= 0xA5;
    if (!readLanguagePack(broken.data(), broken.size(), u"fr", texts)) expectEmptyEnglish(texts);
  }
  // A header claiming more decompressed bytes than the data holds.
  Bytes tooLarge = pack;
  tooLarge[12] ^= 0x01;
  EXPECT_FALSE(readLanguagePack(tooLarge.data(), tooLarge.size(), u"en", texts));
  expectEmptyEnglish(texts);
  EXPECT_FALSE(readLanguagePack(nullptr, 0, u"en", texts));
}

TEST(LanguagePack, EntriesAreCheckedOneByOne) {
  std::vector<std::string> english(kPackTextCount, "");
  english[0] = "Drives";
  english[1] = "%ls item|%ls items";
  english[2] = "Scan";
  Entry en{"en", english};
  Entry broken{"de", {"Laufwerke"}, 1 << 20};  // its block lies outside the data: skipped
  Entry german{"de", {"Laufwerke", "", "Scannen"}};
  Entry french{"fr", {"Lecteurs", "\xff\xfe %ls", "Analyser"}};  // invalid UTF-8 in text 1
  Bytes pack = makePack({en, broken, german, french});
  LanguageTexts texts;
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"de", texts));
  EXPECT_EQ(texts.code, u"de");
  EXPECT_EQ(texts.at(0), u"Laufwerke");
  EXPECT_EQ(texts.at(1), u"%ls item|%ls items");  // untranslated: English
  EXPECT_EQ(texts.at(2), u"Scannen");
  EXPECT_EQ(texts.at(3), u"");  // past the German block and empty in English
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"fr", texts));
  EXPECT_EQ(texts.at(1), u"\uFFFD\uFFFD %ls");
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"ru", texts));
  EXPECT_EQ(texts.code, u"en");
  EXPECT_EQ(texts.at(0), u"Drives");
  // A code entry needs its third byte zero: "dex" is not "de".
  Bytes odd = makePack({en, Entry{"de", {"Laufwerke"}}});
  odd[16 + 12 + 2] = 'x';
  ASSERT_TRUE(readLanguagePack(odd.data(), odd.size(), u"de", texts));
  EXPECT_EQ(texts.code, u"en");
  // A pack without English still lays the chosen language over empty texts.
  Bytes germanOnly = makePack({german});
  ASSERT_TRUE(readLanguagePack(germanOnly.data(), germanOnly.size(), u"de", texts));
  EXPECT_EQ(texts.at(0), u"Laufwerke");
  EXPECT_EQ(texts.at(1), u"");
}

TEST(LanguagePack, EnglishBlockBeyondAllTextsIsCutAt376) {
  std::vector<std::string> many(kPackTextCount + 5, "x");
  many[kPackTextCount - 1] = "last";
  Bytes pack = makePack({Entry{"en", many}});
  LanguageTexts texts;
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"en", texts));
  EXPECT_EQ(texts.at(kPackTextCount - 1), u"last");
  EXPECT_EQ(texts.at(kPackTextCount), u"");
}

}  // namespace
