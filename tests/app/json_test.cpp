// The JSON pieces the benchmark and the policy dump are built from, and the file
// writer that stores them.
#include "platform/console.h"
#include "app/json.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

TEST(JsonString, EscapesQuotesBackslashesAndControlUnitsOnly) {
  const struct {
    std::u16string text;
    std::u16string json;
  } cases[] = {
      {u"", u"\"\""},
      {u"C:\\Data", u"\"C:\\\\Data\""},
      {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
      {u"a\tb", u"\"a\\u0009b\""},
      {std::u16string(u"\0\n\r\x1f", 4), u"\"\\u0000\\u000a\\u000d\\u001f\""},
      {u" /\x7f", u"\" /\x7f\""},                           // only units below 0x20 are escaped
      {u"Gr\u00fc\u00dfe \U0001F600", u"\"Gr\u00fc\u00dfe \U0001F600\""},   // non-ASCII as it is
  };
  for (const auto& c : cases) {
    std::u16string out;
    appendJsonString(out, c.text);
    EXPECT_EQ(out, c.json) << utf8FromUtf16(c.text);
  }
}

TEST(JsonNumberArray, StartsWithACommaAndUsesThreeDecimals) {
  const struct {
    std::vector<double> values;
    std::u16string json;
  } cases[] = {
      {{}, u",\"scanMs\":[]"},
      {{1.0}, u",\"scanMs\":[1.000]"},
      {{0.0004, 12.3456, 1234567.5}, u",\"scanMs\":[0.000,12.346,1234567.500]"},
  };
  for (const auto& c : cases) {
    std::u16string out = u"{\"runs\":1";
    appendJsonNumberArray(out, u"scanMs", c.values);
    EXPECT_EQ(out, u"{\"runs\":1" + c.json);
  }
}

TEST(JsonPieces, IntegersBooleansAndNull) {
  std::u16string out;
  appendJsonInteger(out, -1);
  out += u",";
  appendJsonInteger(out, INT64_MAX);
  out += u",";
  appendJsonBool(out, true);
  out += u",";
  appendJsonBool(out, false);
  out += u",";
  appendJsonNull(out);
  EXPECT_EQ(out, u"-1,9223372036854775807,true,false,null");
}

TEST(Utf8File, ReplacesTheFileWithUtf8WithoutByteOrderMark) {
  TempDir dir;
  std::string path = dir.path + "/r\xC3\xA9sultat.json";
  writeTestFile(path, "an older and much longer content that must disappear");
  ASSERT_TRUE(writeUtf8File(utf16FromUtf8(path), u"{\"path\":\"\u00e9\U0001F600\"}"));
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);   // a UTF-8 name on Windows too
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "{\"path\":\"\xC3\xA9\xF0\x9F\x98\x80\"}");
}

TEST(Utf8File, FailsWhenTheFileCannotBeCreated) {
  TempDir dir;
  EXPECT_FALSE(writeUtf8File(utf16FromUtf8(dir.path), u"{}"));   // a folder
  EXPECT_FALSE(writeUtf8File(utf16FromUtf8(dir.path + "/missing/r.json"), u"{}"));
}
