// mossbloom.log in a real folder: appended line by line as UTF-8, shared with
// other writers, its folder made when missing, skipped when it cannot be opened.
#include "render/win32/render_start.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

namespace {
std::u16string windowsPath(const std::string& utf8) {
  std::u16string out;
  for (char c : utf8) out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}
std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

TEST(StartLogFile, AppendsUtf8LinesAndCreatesTheFolder) {
  TempDir temp;
  std::string folder = temp.path + "\\Roaming\\Mossbloom";
  appendStartLog(windowsPath(folder), u"first line\r\n");
  appendStartLog(windowsPath(folder), u"2024-01-02 03:04:05 Direct2D start, try 3 (WARP): Gr\u00FC\u00DFe failed, 0x80004005\r\n");
  EXPECT_EQ(readAll(folder + "\\mossbloom.log"),
            "first line\r\n2024-01-02 03:04:05 Direct2D start, try 3 (WARP): Gr\xC3\xBC\xC3\x9F" "e failed, 0x80004005\r\n");
}

TEST(StartLogFile, SharesTheFileWithAnotherWriter) {
  TempDir temp;
  std::string path = temp.path + "\\mossbloom.log";
  std::wstring wide(path.begin(), path.end());
  HANDLE other = CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  DWORD written;
  WriteFile(other, "a\r\n", 3, &written, nullptr);
  appendStartLog(windowsPath(temp.path), u"b\r\n");
  WriteFile(other, "c\r\n", 3, &written, nullptr);
  CloseHandle(other);
  EXPECT_EQ(readAll(path), "a\r\nb\r\nc\r\n");
}

TEST(StartLogFile, ALogThatCannotBeOpenedIsSkipped) {
  TempDir temp;
  makeTestDir(temp.path + "\\mossbloom.log");   // a folder where the file should be
  appendStartLog(windowsPath(temp.path), u"lost\r\n");
  appendStartLog(u"", u"no folder at all\r\n");
  SUCCEED();
}
