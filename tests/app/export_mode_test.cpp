// The headless export run in-process: a scan that runs out of memory ends only
// its thread and becomes exit code 1 with no CSV written; a normal run writes it.
#include "app/export_mode.h"
#include "engine/tree.h"
#include "engine/utf.h"
#include "tests/support/temp_dir.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace {
struct SmallReservations {
  explicit SmallReservations(uint64_t limit) { setTreeReservationLimitForTesting(limit); }
  ~SmallReservations() { setTreeReservationLimitForTesting(0); }
};

std::vector<std::u16string> exportArgs(const std::string& folder, const std::string& csv) {
  return {u"mossbloom", u"--export", utf16FromUtf8(folder), utf16FromUtf8(csv)};
}
}  // namespace

TEST(ExportMode, OutOfMemoryInTheScanEndsOnlyTheScanAndWritesNothing) {
  TempDir dir;
  for (int i = 0; i < 200; i++) writeTestFile(dir.path + "/tree/file-with-a-longer-name-" + std::to_string(i), "x");
  std::string csv = dir.path + "/out.csv";
  AppState state;
  {
    SmallReservations small(64u << 10);   // not even the first name set fits
    EXPECT_EQ(runExportMode(exportArgs(dir.path + "/tree", csv), state), 1);
  }
  EXPECT_FALSE(std::filesystem::exists(csv));
  // The process carries on: the same export now succeeds.
  EXPECT_EQ(runExportMode(exportArgs(dir.path + "/tree", csv), state), 0);
  EXPECT_TRUE(std::filesystem::exists(csv));
}
