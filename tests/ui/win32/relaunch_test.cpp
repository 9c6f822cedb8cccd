// What a program started again really receives: the quoted parameters read back by
// CommandLineToArgvW, and a real start through ShellExecuteExW with `runas` (under
// Wine it starts the program without a prompt) of a helper that writes its arguments.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "ui/relaunch.h"
#include "ui/win32/relaunch.h"
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string> argumentsOf(std::u16string_view parameters) {
  std::u16string line = u"mossbloom.exe " + std::u16string(parameters);
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
  std::vector<std::u16string> out;
  for (int i = 1; argv && i < count; i++) out.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  if (argv) LocalFree(argv);
  return out;
}

std::u16string windowsPath(const std::string& linuxPath) {
  std::u16string out = u"Z:";
  for (char c : linuxPath) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}

std::string utf8(std::u16string_view text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                              nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

const std::u16string kFolders[] = {u"C:\\", u"Z:\\tmp\\a folder with spaces", u"D:\\Data\\", u"E:\\plain",
                                   u"\\\\server\\share\\", u"C:\\x \"quoted\" name"};

}  // namespace

TEST(RelaunchArguments, TheParserReadsBackEveryFolderUnchanged) {
  for (const std::u16string& folder : kFolders) {
    if (folder.find(u'"') != std::u16string::npos) continue;   // no such folder exists on Windows
    SCOPED_TRACE(utf8(folder));
    std::vector<std::u16string> expected = {u"--activate", u"--no-splash", folder};
    EXPECT_EQ(argumentsOf(administratorStartParameters(false, folder)), expected);
    std::vector<std::u16string> relaunch = {u"--activate", folder};
    EXPECT_EQ(argumentsOf(fastScanRelaunchParameters(folder, u'C')), relaunch);
    std::vector<std::u16string> restart = {u"--elevate", folder};
    EXPECT_EQ(argumentsOf(restartCommandLine(true, u"", folder)), restart);
  }
  std::vector<std::u16string> import = {u"--elevate", u"--import", u"D:\\my scans\\c.csv"};
  EXPECT_EQ(argumentsOf(restartCommandLine(true, u"D:\\my scans\\c.csv", u"C:\\")), import);
}

TEST(RelaunchArguments, AnElevatedStartPassesThemToTheNewProcess) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring out = std::wstring(temp) + L"mb_argv_echo.txt";
  DeleteFileW(out.c_str());
  SetEnvironmentVariableW(L"MB_ARGV_ECHO_FILE", out.c_str());
  std::u16string echo = windowsPath(std::string(MB_BINARY_DIR) + "/tests/harness/argv_echo.exe");
  const std::u16string folder = u"Z:\\tmp\\a folder with spaces\\";
  ASSERT_TRUE(runElevated(nullptr, echo, administratorStartParameters(false, folder)));
  // The helper ends quickly; wait for its file rather than for a fixed time.
  std::string written;
  for (int i = 0; i < 1000 && written.empty(); i++) {
    std::ifstream file(out.c_str(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    written = text.str();
    if (written.empty()) Sleep(10);
  }
  EXPECT_EQ(written, "--activate\n--no-splash\n" + utf8(folder) + "\n");
  DeleteFileW(out.c_str());
}

TEST(RelaunchArguments, TheRunningExecutableIsFound) {
  std::u16string path = runningExecutablePath();
  ASSERT_GT(path.size(), 4u);
  EXPECT_EQ(path.substr(path.size() - 4), u".exe");
  EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str())), INVALID_FILE_ATTRIBUTES);
}
