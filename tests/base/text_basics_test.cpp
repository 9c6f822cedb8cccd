// The text basics every layer shares: one rule each, so the cases here are the ones
// where the copies they replaced could have disagreed.
#include "base/file_name.h"
#include "base/hash.h"
#include "base/short_text.h"
#include "base/utf.h"
#include <gtest/gtest.h>
#include <string>

TEST(FileName, ExtensionStartsAfterTheLastDotPastTheFirstUnit) {
  struct Case { std::u16string_view name; size_t start; };
  const Case cases[] = {
      {u"report.pdf", 7},       {u"archive.tar.gz", 12}, {u".bashrc", 0}, {u"README", 0},
      {u"trailing.", 9},        {u"..", 2},              {u".", 0},       {u"", 0},
      {u"a.b", 2},              {u".hidden.txt", 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extensionStart(c.name, c.name.size()), c.start) << std::string(c.name.begin(), c.name.end());
    // A name stored one byte per unit gives the same answer.
    std::string bytes(c.name.begin(), c.name.end());
    EXPECT_EQ(extensionStart(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), c.start);
  }
}

TEST(ShortText, TheTwoBlankSetsDiffer) {
  EXPECT_EQ(trimBlanks(u" \t\r\n x y \n"), u"x y");
  EXPECT_EQ(trimSpacesAndTabs(u" \t x y \t"), u"x y");
  // A line break is part of a typed filter piece, but not of a value read from a file.
  EXPECT_EQ(trimSpacesAndTabs(u"\r\nx\n"), u"\r\nx\n");
  EXPECT_EQ(trimBlanks(u"\r\nx\n"), u"x");
  EXPECT_EQ(trimSpacesAndTabs(u" \t "), u"");
}

TEST(Hash, Fnv1aOverUnitsMatchesTheByteForm) {
  // FNV-1a of "a": the published 32-bit value.
  EXPECT_EQ(fnv1a(u"a", 1), 0xE40C292Cu);
  const char16_t wide[] = u"name.TXT";
  const uint8_t narrow[] = "name.TXT";
  EXPECT_EQ(fnv1a(wide, 8), fnv1a(narrow, 8));
  EXPECT_NE(fnv1a(wide, 8, 0x811C9D60), fnv1a(wide, 8));
}

TEST(Utf, ValidityChecksEveryForm) {
  struct Case { std::string bytes; bool valid; };
  const Case cases[] = {
      {"plain", true},          {"\xC3\xA4", true},          {"\xE2\x82\xAC", true},  {"\xF0\x9F\x98\x80", true},
      {"\xC0\xAF", false},      {"\xED\xA0\x80", false},     {"\xF4\x90\x80\x80", false},
      {"\xC3", false},          {"\x80", false},             {"\xE2\x82", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes.size();
}

TEST(Utf, FileNamesKeepBytesThatAreNoUtf8) {
  const std::string name = "caf\xC3\xA9 \xFF\xFE.txt";
  std::u16string text = utf16FromFileName(name);
  EXPECT_EQ(text, u"caf\u00E9 \xDCFF\xDCFE.txt");
  std::string back;
  fileNameFromUtf16(text, back);
  EXPECT_EQ(back, name);
}

TEST(Utf, LenientDecoderTakesCutSequences) {
  // Where the strict decoder gives U+FFFD, the CSV decoder takes what is there.
  const std::string bytes = "a\xC3";
  std::u16string lenient;
  appendUtf16FromLenientUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), lenient);
  EXPECT_EQ(lenient, u"a\u00C0");
  EXPECT_EQ(utf16FromUtf8(bytes), u"a\uFFFD");
}
