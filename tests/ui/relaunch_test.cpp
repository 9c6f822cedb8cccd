// The command lines of starting the program again: the administrator start, the
// relaunch for the fast scan and the restart registration, with the quoting that
// CommandLineToArgvW reads back (tests/ui/win32 checks that against the real parser).
#include "ui/relaunch.h"
#include "config/policy.h"
#include <gtest/gtest.h>

TEST(Relaunch, PathsAreQuotedSoThatARootKeepsItsBackslash) {
  const struct {
    std::u16string_view path, quoted;
  } cases[] = {
      {u"C:\\", u"\"C:\\\\\""},
      {u"D:\\My Data", u"\"D:\\My Data\""},
      {u"\\\\server\\share\\", u"\"\\\\server\\share\\\\\""},
      {u"C:\\a b\\c", u"\"C:\\a b\\c\""},
      {u"", u"\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(quotedPathArgument(c.path), c.quoted);
}

TEST(Relaunch, AdministratorStartParameters) {
  EXPECT_EQ(administratorStartParameters(true, u""), u"--activate");
  EXPECT_EQ(administratorStartParameters(false, u""), u"--activate --no-splash");
  EXPECT_EQ(administratorStartParameters(true, u"D:\\"), u"--activate \"D:\\\\\"");
  EXPECT_EQ(administratorStartParameters(false, u"C:\\Program Files"), u"--activate --no-splash \"C:\\Program Files\"");
}

TEST(Relaunch, AdministratorStartIsWantedOnlyWhereARestartIsOffered) {
  const struct {
    bool setting, option;
    uint8_t state;
    bool wanted;
  } cases[] = {
      {true, false, kFastScanRestart, true},       {false, true, kFastScanRestart, true},
      {false, false, kFastScanRestart, false},     {true, true, kFastScanAdmin, false},
      {true, false, kFastScanRestartHidden, false}, {true, true, kFastScanOff, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(administratorStartWanted(c.setting, c.option, c.state), c.wanted)
        << c.setting << c.option << int(c.state);
}

TEST(Relaunch, FastScanRelaunchNamesTheFolderOrElseTheDrive) {
  EXPECT_EQ(fastScanRelaunchParameters(u"D:\\Work", u'D'), u"--activate \"D:\\Work\"");
  EXPECT_EQ(fastScanRelaunchParameters(u"", u'D'), u"--activate \"D:\\\\\"");
  EXPECT_EQ(fastScanRelaunchParameters(u"", 0), u"--activate");
  EXPECT_EQ(fastScanRelaunchParameters(u"E:\\", u'E'), u"--activate \"E:\\\\\"");
}

TEST(Relaunch, RestartCommandLine) {
  EXPECT_EQ(restartCommandLine(false, u"", u""), u"");
  EXPECT_EQ(restartCommandLine(true, u"", u""), u"--elevate");
  EXPECT_EQ(restartCommandLine(false, u"", u"C:\\Users"), u"\"C:\\Users\"");
  EXPECT_EQ(restartCommandLine(true, u"", u"C:\\"), u"--elevate \"C:\\\\\"");
  EXPECT_EQ(restartCommandLine(true, u"D:\\scans\\c.csv", u"C:\\"), u"--elevate --import \"D:\\scans\\c.csv\"");
  EXPECT_EQ(restartCommandLine(false, u"D:\\scan 1.csv", u""), u"--import \"D:\\scan 1.csv\"");
}
