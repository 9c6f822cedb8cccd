// Which mode a command line runs.
#include "app/startup.h"
#include "platform/platform.h"
#include <gtest/gtest.h>
#include <vector>

TEST(StartMode, BenchWinsThenTheLeftmostHeadlessMode) {
  const struct {
    std::vector<std::u16string> args;
    StartMode mode;
  } cases[] = {
      {{}, StartMode::NormalStart},
      {{u"mossbloom"}, StartMode::NormalStart},
      {{u"--bench"}, StartMode::NormalStart},  // element 0 is the program, never an option
      {{u"mossbloom", u"D:\\"}, StartMode::NormalStart},
      {{u"mossbloom", u"--bench"}, StartMode::Bench},
      {{u"mossbloom", u"--export", u"C:\\", u"x.csv", u"--bench"}, StartMode::Bench},
      {{u"mossbloom", u"--dump-policy", u"--bench", u"C:\\"}, StartMode::Bench},
      {{u"mossbloom", u"--update-selftest", u"--bench"}, StartMode::Bench},
      {{u"mossbloom", u"--export", u"C:\\", u"x.csv", u"--dump-policy"}, StartMode::Export},
      {{u"mossbloom", u"--dump-policy", u"--export", u"C:\\", u"x.csv"}, StartMode::DumpPolicy},
      {{u"mossbloom", u"C:\\", u"--delete-old", u"12", u"--apply-update"}, StartMode::DeleteOld},
      {{u"mossbloom", u"--apply-update", u"a.exe", u"m.txt", u"1"}, StartMode::ApplyUpdate},
      {{u"mossbloom", u"--theme", u"dark", u"--update-selftest"}, StartMode::UpdateSelftest},
      // Exact, case-sensitive names only.
      {{u"mossbloom", u"--Bench", u"--bench=1", u"-bench", u"--export-all"}, StartMode::NormalStart},
  };
  for (const auto& c : cases) {
    std::u16string joined;
    for (const auto& a : c.args) joined += a + u" ";
    EXPECT_EQ(chooseStartMode(c.args), c.mode) << std::string(joined.begin(), joined.end());
  }
}

TEST(StartMode, SelftestCodeSpellsMbup) {
  EXPECT_EQ(kUpdateSelftestExitCode >> 24, uint32_t('M'));
  EXPECT_EQ((kUpdateSelftestExitCode >> 16) & 0xFF, uint32_t('B'));
  EXPECT_EQ((kUpdateSelftestExitCode >> 8) & 0xFF, uint32_t('U'));
  EXPECT_EQ(kUpdateSelftestExitCode & 0xFF, uint32_t('P'));
}
