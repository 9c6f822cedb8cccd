// The normal start's command-line grammar, checked against real folders.
#include "engine/tree.h"
#include "app/start_options.h"
#include "platform/scan_path.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace {
const bool kWindows = kPathSeparator == u'\\';

// Replaces {A}, {B}, {C} (folders) and {M} (a missing path) in a case text.
struct Folders {
  std::u16string a, b, c, missing;
  std::u16string expand(std::u16string_view text) const {
    std::u16string out(text);
    const std::pair<std::u16string_view, const std::u16string*> names[] = {
        {u"{A}", &a}, {u"{B}", &b}, {u"{C}", &c}, {u"{M}", &missing}};
    for (auto [name, value] : names)
      for (size_t at; (at = out.find(name)) != std::u16string::npos;) out.replace(at, name.size(), *value);
    return out;
  }
};

struct GrammarCase {
  const char* name;
  std::vector<std::u16string_view> args;   // without the program path
  std::u16string_view folder;              // expected folder, before expansion; empty = none
  char16_t drive;                          // expected drive when no folder; 0 = none
  std::u16string_view error;               // expected error, before expansion
  int32_t theme = -1;
  std::u16string_view importPath = u"";
};

class StartGrammar : public testing::Test {
 protected:
  void SetUp() override {
    folders.a = systemPath(temp.path + "/alpha");
    folders.b = systemPath(temp.path + "/beta");
    folders.c = systemPath(temp.path + "/gamma");
    folders.missing = systemPath(temp.path + "/not-there");
    makeTestDir(temp.path + "/alpha");
    makeTestDir(temp.path + "/beta");
    makeTestDir(temp.path + "/gamma");
  }
  ParsedStart parse(const std::vector<std::u16string_view>& args) {
    std::vector<std::u16string> list = {u"mossbloom"};
    for (std::u16string_view arg : args) list.push_back(folders.expand(arg));
    return parseStartOptions(list);
  }
  TempDir temp;
  Folders folders;
};
}

TEST_F(StartGrammar, TargetsErrorsAndThemeFromArgumentLists) {
  const GrammarCase cases[] = {
      {"nothing", {}, u"", 0, u""},
      {"one folder", {u"{A}"}, u"{A}", 0, u""},
      {"trailing separator dropped", {kWindows ? u"{A}\\" : u"{A}/"}, u"{A}", 0, u""},
      {"empty arguments ignored", {u"", u"{A}", u""}, u"{A}", 0, u""},
      {"two folders", {u"{A}", u"{B}"}, u"", 0, u"Give one folder or drive to scan, not more: {A}, {B}"},
      {"third folder named", {u"{A}", u"{B}", u"{C}"}, u"", 0,
       u"Give one folder or drive to scan, not more: {A}, {C}"},
      {"unknown option", {u"--frobnicate", u"{A}"}, u"", 0,
       u"Unknown option --frobnicate: give the folder or drive to scan on its own."},
      {"second folder replaces unknown option", {u"--frobnicate", u"{A}", u"{B}"}, u"", 0,
       u"Give one folder or drive to scan, not more: {A}, {B}"},
      {"first unknown option kept", {u"{A}", u"--frobnicate", u"--zap"}, u"", 0,
       u"Unknown option --frobnicate: give the folder or drive to scan on its own."},
      {"options are case-sensitive", {u"--Theme", u"dark"}, u"", 0,
       u"Unknown option --Theme: give the folder or drive to scan on its own."},
      {"a single dash is an option", {u"-"}, u"", 0, u"Unknown option -: give the folder or drive to scan on its own."},
      {"--out is unknown here", {u"--out", u"{A}"}, u"", 0,
       u"Unknown option --out: give the folder or drive to scan on its own."},
      {"--ui-bench is unknown here", {u"--ui-bench"}, u"", 0,
       u"Unknown option --ui-bench: give the folder or drive to scan on its own."},
      {"--frames is unknown here", {u"--frames"}, u"", 0,
       u"Unknown option --frames: give the folder or drive to scan on its own."},
      {"missing path", {u"{M}"}, u"", 0, u"Not a folder or drive: {M}"},
      {"--theme last", {u"{A}", u"--theme"}, u"{A}", 0, u"", -1},
      {"--theme DARK", {u"--theme", u"DARK", u"{A}"}, u"{A}", 0, u"", 1},
      {"--theme Light", {u"--theme", u"Light"}, u"", 0, u"", 0},
      {"--theme dim follows the system", {u"--theme", u"dim"}, u"", 0, u"", -1},
      {"value options swallow their value", {u"--import", u"--theme", u"{A}"}, u"{A}", 0, u"", -1, u"--theme"},
      {"-- ends the options", {u"--", u"--theme", u"dark"}, u"", 0,
       u"Give one folder or drive to scan, not more: --theme, dark", -1},
      {"known options skipped", {u"--no-splash", u"--bench", u"{A}", u"--elevate"}, u"{A}", 0, u""},
  };
  for (const GrammarCase& c : cases) {
    SCOPED_TRACE(c.name);
    ParsedStart parsed = parse(c.args);
    EXPECT_EQ(parsed.error, folders.expand(c.error));
    EXPECT_EQ(parsed.target.folder, folders.expand(c.folder));
    if (!c.folder.empty()) {
      EXPECT_EQ(parsed.target.drive, folders.expand(c.folder)[0]);
    } else {
      EXPECT_EQ(parsed.target.drive, c.drive);
    }
    EXPECT_EQ(parsed.options.theme, c.theme);
    EXPECT_EQ(parsed.options.importPath, c.importPath);
  }
}

TEST_F(StartGrammar, OverridesForThisRun) {
  ParsedStart parsed = parse({u"--accent", u"teal", u"--scheme", u"lava", u"--no-splash", u"--elevate",
                              u"--no-elevate", u"--test-input", u"--activate", u"--updated", u" 4711x", u"{A}"});
  EXPECT_EQ(parsed.options.accentIndex, 1);
  EXPECT_EQ(parsed.options.mapScheme, 4);
  EXPECT_TRUE(parsed.options.noSplash);
  EXPECT_TRUE(parsed.options.elevate);
  EXPECT_TRUE(parsed.options.updated);
  EXPECT_EQ(parsed.options.updatedProcessId, 4711);
  EXPECT_TRUE(parsed.options.noElevate);
  EXPECT_TRUE(parsed.options.testInput);
  EXPECT_TRUE(parsed.options.activate);
  EXPECT_EQ(parsed.target.folder, folders.a);
  EXPECT_EQ(parsed.error, u"");

  // Names of accents and schemes are case-sensitive; unknown ones override with the
  // fallback (the system colour, the first scheme), not with the saved setting.
  ParsedStart unknown = parse({u"--accent", u"Blue", u"--scheme", u"Lava"});
  EXPECT_EQ(unknown.options.accentIndex, -1);
  EXPECT_EQ(unknown.options.mapScheme, 0);

  // Without its value an option overrides nothing: the saved setting stands.
  ParsedStart bare = parse({u"--scheme"});
  EXPECT_FALSE(bare.options.mapScheme.has_value());
  EXPECT_FALSE(bare.options.accentIndex.has_value());
  EXPECT_FALSE(bare.options.updated);
}

TEST_F(StartGrammar, OddFolderNameAfterDoubleDash) {
  makeTestDir(temp.path + "/-odd-folder-name");
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::u8path(temp.path));
  ParsedStart withDash = parse({u"--", u"-odd-folder-name"});
  ParsedStart without = parse({u"-odd-folder-name"});
  std::filesystem::current_path(before);
  EXPECT_EQ(withDash.error, u"");
  EXPECT_EQ(withDash.target.folder, systemPath(temp.path + "/-odd-folder-name"));
  EXPECT_EQ(without.error, u"Unknown option -odd-folder-name: give the folder or drive to scan on its own.");
  EXPECT_EQ(without.target.folder, u"");
}

TEST_F(StartGrammar, DrivesOnWindows) {
  if (!kWindows) GTEST_SKIP() << "drive letters exist only on Windows";
  // The drive root of an existing drive is a folder target: the whole drive.
  ParsedStart root = parse({u"c:"});
  EXPECT_EQ(root.error, u"");
  EXPECT_EQ(root.target.drive, u'C');
  EXPECT_EQ(root.target.folder, u"C:\\");
  // With --import a drive root selects the drive alone, whether it exists or not.
  ParsedStart import = parse({u"--import", u"x.csv", u"D:"});
  EXPECT_EQ(import.error, u"");
  EXPECT_EQ(import.target.drive, u'D');
  EXPECT_EQ(import.target.folder, u"");
  EXPECT_EQ(import.options.importPath, u"x.csv");
  // The error names the target as completed, not as resolved.
  ParsedStart missing = parse({u"Q:"});
  if (!isExistingFolder(u"Q:\\")) {
    EXPECT_EQ(missing.error, u"Not a folder or drive: Q:\\");
  }
}

TEST_F(StartGrammar, BareDriveIsAnOrdinaryNameNatively) {
  if (kWindows) GTEST_SKIP() << "native paths have no drive letters";
  ParsedStart import = parse({u"--import", u"x.csv", u"D:"});
  EXPECT_EQ(import.error, u"Not a folder or drive: D:");
  EXPECT_EQ(import.target.drive, 0);
}

TEST_F(StartGrammar, HostileArgumentsNeverCrash) {
  std::u16string longPath = folders.a;
  while (longPath.size() < 4000) longPath += kWindows ? u"\\deeper" : u"/deeper";
  const std::u16string lone = u"\xD800", reversed = u"\xDC00\xD800", pieces = u"ab\xDBFF";
  const std::vector<std::vector<std::u16string>> lists = {
      {}, {u"mossbloom"}, {u"mossbloom", longPath}, {u"mossbloom", lone}, {u"mossbloom", reversed},
      {u"mossbloom", u"--import", pieces, lone}, {u"mossbloom", u"--theme", lone}, {u"mossbloom", u"-\xD800"},
      {u"mossbloom", std::u16string(4000, u'-')}, {u"mossbloom", std::u16string(1, u'\0')},
  };
  for (const auto& list : lists) {
    ParsedStart parsed = parseStartOptions(list);
    EXPECT_EQ(parsed.target.folder, u"");
  }
  ParsedStart deep = parseStartOptions(std::vector<std::u16string>{u"mossbloom", longPath});
  EXPECT_EQ(deep.error, u"Not a folder or drive: " + longPath);
  ParsedStart surrogate = parseStartOptions(std::vector<std::u16string>{u"mossbloom", u"-\xD800"});
  EXPECT_EQ(surrogate.error, u"Unknown option -\xD800: give the folder or drive to scan on its own.");
}

// Every name the program answers to counts as an option name, exactly as written.
TEST(OptionNames, TableAndHeadlessOptions) {
  for (std::u16string_view name : {u"--export", u"--dump-policy", u"--bench", u"--out", u"--theme", u"--import",
                                   u"--update-selftest", u"--mft", u"--runs", u"--width", u"--height", u"--types"})
    EXPECT_TRUE(isOptionName(name)) << utf8FromUtf16(name);
  for (std::u16string_view name : {u"", u"-", u"--", u"--MFT", u"--mft=1", u"-mft", u"out.csv", u"--exports"})
    EXPECT_FALSE(isOptionName(name)) << utf8FromUtf16(name);
}
