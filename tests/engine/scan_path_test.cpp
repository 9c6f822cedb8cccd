// Path normalisation and the short-text helpers behind settings and arguments.
#include "engine/tree.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "platform/text.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <filesystem>
#include <gtest/gtest.h>

namespace {
const bool kWindows = kPathSeparator == u'\\';
}

TEST(ScanPath, NormalisedTexts) {
  const struct {
    std::u16string_view in;
    BareDrive bare;
    std::u16string_view out;
  } windows[] = {
      {u"c:\\users\\\\", BareDrive::CurrentFolder, u"C:\\users"},
      {u"C:\\\\\\", BareDrive::CurrentFolder, u"C:\\"},
      {u"C:\\", BareDrive::CurrentFolder, u"C:\\"},
      {u"d:", BareDrive::Root, u"D:\\"},
      {u"C:\\a\\..\\b\\.\\c", BareDrive::Root, u"C:\\b\\c"},
      {u"C:/mixed/slashes/", BareDrive::Root, u"C:\\mixed\\slashes"},
      {std::u16string_view(u"C:\\cut\0here", 11), BareDrive::Root, u"C:\\cut"},
      {u"\\\\server\\share\\dir\\", BareDrive::Root, u"\\\\server\\share\\dir"},
      {u"", BareDrive::Root, u""},
  };
  const struct {
    std::u16string_view in;
    std::u16string_view out;
  } posix[] = {
      {u"/", u"/"},           {u"//", u"/"},       {u"/a//b/./c/../", u"/a/b"},
      {u"/..", u"/"},         {u"/a/b/", u"/a/b"}, {std::u16string_view(u"/cut\0here", 9), u"/cut"},
      {u"", u""},             {u"/D:", u"/D:"},
  };
  if (kWindows) {
    for (const auto& c : windows) EXPECT_EQ(normalizeScanPath(c.in, c.bare), c.out) << utf8FromUtf16(c.in);
  } else {
    for (const auto& c : posix) {
      EXPECT_EQ(normalizeScanPath(c.in), c.out) << utf8FromUtf16(c.in);
      EXPECT_EQ(normalizeScanPath(c.in, BareDrive::Root), c.out) << utf8FromUtf16(c.in);
    }
    std::u16string cwd = utf16FromUtf8(std::filesystem::current_path().string());
    EXPECT_EQ(normalizeScanPath(u"x/y/"), (cwd == u"/" ? u"" : cwd) + u"/x/y");
  }
}

TEST(ScanPath, ImagePathsNormaliseTheFolderInsideTheImage) {
  if (kWindows) GTEST_SKIP() << "images are read natively";
  TempDir dir;
  writeTestFile(dir.path + "/disk.img", "not really");
  makeTestDir(dir.path + "/folder::with colons");
  std::u16string image = utf16FromUtf8(dir.path + "/disk.img");
  const struct {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {image + u"::Users/Ann/../Bob/./Photos/", image + u"::Users/Bob/Photos"},
      {image + u"::/Users/./Ann", image + u"::/Users/Ann"},
      {image + u"::\\Users\\..\\..\\Bob", image + u"::/Bob"},
      {image + u"::..", image + u"::"},
      {image + u"::/", image + u"::/"},
      {image + u"::", image + u"::"},
      {utf16FromUtf8(dir.path) + u"/./x/../disk.img::a/./b", image + u"::a/b"},
      // Not an image: a folder whose name holds "::" is a path like any other.
      {utf16FromUtf8(dir.path) + u"/folder::with colons/../folder::with colons/./x",
       utf16FromUtf8(dir.path) + u"/folder::with colons/x"},
  };
  for (const auto& c : cases) EXPECT_EQ(normalizeScanPath(c.in), c.out) << utf8FromUtf16(c.in);
}

TEST(ScanPath, OverlongAndBrokenTextsStayUsable) {
  std::u16string deep = kWindows ? u"C:" : u"/";
  while (deep.size() < 4000) deep += kWindows ? u"\\deeper" : u"deeper/";
  std::u16string normal = normalizeScanPath(deep + (kWindows ? u"\\\\" : u"/"), BareDrive::Root);
  EXPECT_GE(normal.size(), 3990u);
  EXPECT_NE(normal.back(), kPathSeparator);
  EXPECT_FALSE(isExistingFolder(normal));
  std::u16string broken = kWindows ? u"C:\\\xD800\\\xDC00x" : u"/\xD800/\xDC00x";
  EXPECT_FALSE(normalizeScanPath(broken, BareDrive::Root).empty());
  EXPECT_FALSE(isExistingFolder(broken));
  EXPECT_FALSE(isExistingFolder(u""));
  EXPECT_TRUE(isExistingFolder(kWindows ? u"C:\\" : u"/"));
}

TEST(ShortText, CaseTrimAndNumbers) {
  EXPECT_TRUE(equalIgnoringCase(u"Walk", u"wALK"));
  EXPECT_TRUE(equalIgnoringCase(u"", u""));
  EXPECT_FALSE(equalIgnoringCase(u"Walk", u"Walks"));
  EXPECT_FALSE(equalIgnoringCase(u"Walk", u"Wa1k"));
  EXPECT_EQ(trimBlanks(u" \t\r\n x y \n"), u"x y");
  EXPECT_EQ(trimBlanks(u" \t "), u"");
  const std::pair<std::u16string_view, int32_t> numbers[] = {
      {u"123", 123}, {u"  42abc", 42}, {u"-7", -7}, {u"+8", 8}, {u"", 0}, {u"x1", 0}, {u"- 1", 0},
      {u"99999999999", INT32_MAX}, {u"-99999999999", INT32_MIN}, {u"2147483648", INT32_MAX}};
  for (auto [text, value] : numbers) EXPECT_EQ(leadingDecimal(text), value) << utf8FromUtf16(text);
}
