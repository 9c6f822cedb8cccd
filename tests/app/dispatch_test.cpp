// Which mode a command line runs, and the process-wide state every mode shares.
#include "app/startup.h"
#include "app/app_state.h"
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

TEST(AppStateRecord, BuiltOnceWithDefaultsWhicheverThreadComesFirst) {
  // Nothing in this test program touches the record before this test.
  EXPECT_FALSE(appStateReady());
  constexpr int kThreads = 8;
  AppState* seen[kThreads] = {};
  Thread threads[kThreads];
  for (int i = 0; i < kThreads; i++)
    threads[i] = startClosureThread(0, [&seen, i] {
      seen[i] = &appState();
      return 0u;
    });
  for (Thread& t : threads) joinThread(t);
  EXPECT_TRUE(appStateReady());
  for (AppState* s : seen) EXPECT_EQ(s, &appState());
  const AppState& state = appState();
  EXPECT_EQ(state.themeOverride, -1);
  EXPECT_EQ(state.accentIndex, -1);
  EXPECT_EQ(state.settings.policies.defaultSizeMode, -1);
  EXPECT_EQ(state.settings.policies.updateCheck, -1);
  EXPECT_TRUE(state.importPath.empty());
  EXPECT_EQ(state.noElevate + state.testInput + state.activate + state.launchedInteractively, 0);
  EXPECT_EQ(state.instance, nullptr);
}
