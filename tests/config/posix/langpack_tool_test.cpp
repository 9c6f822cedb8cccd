// Runs the build's language pack tool on small folders of sources: a faulty
// translation must fail the build and name the file, the line and the text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "config/language.h"
#include "tests/support/temp_dir.h"

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string output;
};

ToolRun runTool(const std::string& folder) {
  std::string command = std::string(MB_BINARY_DIR) + "/tools/mb_langpack '" + folder + "' '" + folder +
                        "/out.lang' '" + folder + "/text_ids.h' 2>&1";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(LangpackTool, RejectsATranslationWithOtherPlaceholders) {
  TempDir dir;
  writeTestFile(dir.path + "/en.txt", "# English\n0\tDrives\n1\tExported %ls row to %ls|Exported %ls rows to %ls\n");
  writeTestFile(dir.path + "/de.txt", "0\tLaufwerke\n\n1\t%ls Zeile exportiert|%ls Zeilen nach %ls exportiert\n");
  ToolRun run = runTool(dir.path);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("de.txt:3: text 1: plural form 0 has placeholders %1$ls but the English text has %1$ls, %2$ls"),
            std::string::npos)
      << run.output;
}

TEST(LangpackTool, RejectsMalformedSources) {
  struct Case {
    const char* english;
    const char* expected;
  } cases[] = {
      {"0\tDrives\n0\tAgain\n", "en.txt:2: text 0 appears again (first on line 1)"},
      {"376\tToo far\n", "en.txt:1: text number 376 is above 375"},
      {"0 Drives\n", "en.txt:1: expected a text number, a tab and the text"},
      {"0\tBad \\q escape\n", "en.txt:1: unknown escape"},
      {"0\tBad \xff byte\n", "en.txt:1: the text is not valid UTF-8"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    writeTestFile(dir.path + "/en.txt", c.english);
    ToolRun run = runTool(dir.path);
    EXPECT_EQ(run.exitCode, 1) << c.english;
    EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
  }
}

TEST(LangpackTool, WritesAPackTheLoaderReads) {
  TempDir dir;
  writeTestFile(dir.path + "/en.txt", "0\tDrives\n1\tLine\\none\\ttab \\\\ back\n2\tScan\n");
  writeTestFile(dir.path + "/fr.txt", "2\tAnalyser\n");
  ToolRun run = runTool(dir.path);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  FILE* f = fopen((dir.path + "/out.lang").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> pack;
  int c;
  while ((c = fgetc(f)) != EOF) pack.push_back(static_cast<uint8_t>(c));
  fclose(f);
  LanguageTexts texts;
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"fr", texts));
  EXPECT_EQ(texts.code, u"fr");
  EXPECT_EQ(texts.at(0), u"Drives");
  EXPECT_EQ(texts.at(1), u"Line\none\ttab \\ back");
  EXPECT_EQ(texts.at(2), u"Analyser");
  // Languages without a source file are carried, empty, and show English.
  ASSERT_TRUE(readLanguagePack(pack.data(), pack.size(), u"ko", texts));
  EXPECT_EQ(texts.code, u"ko");
  EXPECT_EQ(texts.at(2), u"Scan");
}

}  // namespace
