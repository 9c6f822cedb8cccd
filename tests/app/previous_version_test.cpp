// The executable an update left behind: removed at start, or once the old process
// has ended after an update.
#include "app/previous_version.h"
#include "base/path_text.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>
#include <filesystem>
#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
bool exists(const std::string& path) { return std::filesystem::exists(std::filesystem::u8path(path)); }
}  // namespace

TEST(PreviousVersion, OnlyTheOldCopyGoesAndNoneIsFine) {
  TempDir dir;
  const std::string executable = dir.path + "/mossbloom \u00E9.exe";
  writeTestFile(executable, "new");
  writeTestFile(executable + ".old", "old");
  deletePreviousVersion(systemPath(executable));
  EXPECT_FALSE(exists(executable + ".old"));
  EXPECT_TRUE(exists(executable));
  deletePreviousVersion(systemPath(executable));   // nothing left to delete
  EXPECT_TRUE(exists(executable));
}

TEST(PreviousVersion, CleanupWithoutAProcessDeletesAtOnce) {
  TempDir dir;
  const std::string executable = dir.path + "/mossbloom.exe";
  writeTestFile(executable + ".old", "old");
  Thread cleanup = startPreviousVersionCleanup(0, systemPath(executable));
  EXPECT_EQ(joinThread(cleanup), 0u);
  EXPECT_FALSE(exists(executable + ".old"));
}

#if !defined(_WIN32)
TEST(PreviousVersion, CleanupWaitsForTheOldProcessToEnd) {
  TempDir dir;
  const std::string executable = dir.path + "/mossbloom.exe";
  writeTestFile(executable + ".old", "old");
  int release[2];
  ASSERT_EQ(pipe(release), 0);
  pid_t old = fork();
  ASSERT_GE(old, 0);
  if (old == 0) {   // the old process: runs until the test lets it end
    char byte;
    close(release[1]);
    ssize_t ignored = read(release[0], &byte, 1);
    _exit(static_cast<int>(ignored));
  }
  close(release[0]);
  Thread cleanup = startPreviousVersionCleanup(static_cast<int32_t>(old), systemPath(executable));
  // While the old process runs, its executable must stay where it is.
  for (int i = 0; i < 20; i++) {
    EXPECT_TRUE(exists(executable + ".old"));
    usleep(10000);
  }
  close(release[1]);
  int status = 0;
  waitpid(old, &status, 0);
  EXPECT_EQ(joinThread(cleanup), 0u);
  EXPECT_FALSE(exists(executable + ".old"));
}
#endif
