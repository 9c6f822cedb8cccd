// The headless export run in-process: a scan that runs out of memory ends only
// its thread and becomes exit code 1 with no CSV written; a normal run writes it.
#include "app/export_mode.h"
#include "engine/tree.h"
#include "base/utf.h"
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
  ProgramSettings state;
  {
    SmallReservations small(64u << 10);   // not even the first name set fits
    EXPECT_EQ(runExportMode(exportArgs(dir.path + "/tree", csv), state), 1);
  }
  EXPECT_FALSE(std::filesystem::exists(csv));
  // The process carries on: the same export now succeeds.
  EXPECT_EQ(runExportMode(exportArgs(dir.path + "/tree", csv), state), 0);
  EXPECT_TRUE(std::filesystem::exists(csv));
}

namespace {
std::string readText(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "(missing)";
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}
}  // namespace

// A folder that cannot be listed gives no export: exit 1, and a CSV already at the
// path keeps its contents.
TEST(ExportMode, FolderThatCannotBeListedWritesNothing) {
  TempDir dir;
  writeTestFile(dir.path + "/a-file.txt", "x");
  writeTestFile(dir.path + "/existing.csv", "earlier export");
  const std::string csv = dir.path + "/existing.csv";
  ProgramSettings state;
  for (const std::string& folder : {dir.path + "/missing", dir.path + "/missing/deeper", dir.path + "/a-file.txt",
                                    dir.path + "/not-there.csv"}) {
    EXPECT_EQ(runExportMode(exportArgs(folder, csv), state), 1) << folder;
    EXPECT_EQ(readText(csv), "earlier export") << folder;
    EXPECT_EQ(runExportMode(exportArgs(folder, dir.path + "/new.csv"), state), 1) << folder;
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/new.csv")) << folder;
  }
  makeTestDir(dir.path + "/present");
  EXPECT_EQ(runExportMode(exportArgs(dir.path + "/present", csv), state), 0);
  EXPECT_NE(readText(csv), "earlier export");
}

// An option name where the CSV path belongs means the path was forgotten.
TEST(ExportMode, OptionNameAsCsvPathIsAUsageError) {
  TempDir dir;
  makeTestDir(dir.path + "/tree");
  const std::u16string folder = utf16FromUtf8(dir.path + "/tree");
  ProgramSettings state;
  const std::vector<std::vector<std::u16string>> cases = {
      {u"mossbloom", u"--export", folder, u"--mft"},
      {u"mossbloom", u"--export", u"F", u"--export", u"X"},
      {u"mossbloom", u"--export", folder, u"--dump-policy"},
      {u"mossbloom", u"--export", folder, u"--runs", u"3"},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(runExportMode(args, state), 1) << utf8FromUtf16(args[3]);
    EXPECT_FALSE(std::filesystem::exists(utf8FromUtf16(args[3])));
  }
  // A later --export with two values replaces the forgotten one.
  const std::u16string csv = utf16FromUtf8(dir.path + "/out.csv");
  EXPECT_EQ(runExportMode(std::vector<std::u16string>{u"mossbloom", u"--export", folder, u"--mft", u"--export",
                                                      folder, csv},
                          state),
            0);
}
