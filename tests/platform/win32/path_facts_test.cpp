// What a path names on Windows, asked of real files (under Wine in the test runs):
// files, folders, what is missing, links looked at themselves, identities; and the
// system folders that are never marked.
#include "platform/path_facts.h"
#include "platform/system_folders.h"

#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <windows.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

namespace {

std::u16string windowsPath(const std::string& utf8) {
  std::u16string s = utf16FromUtf8(utf8);
  std::replace(s.begin(), s.end(), u'/', u'\\');
  return s;
}
const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

bool sameText(std::u16string a, std::u16string b) {
  for (std::u16string* s : {&a, &b})
    for (char16_t& c : *s)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return a == b;
}

class PathFactsWin32 : public ::testing::Test {
 protected:
  TempDir temp;
  std::string root;
  void SetUp() override {
    root = temp.path;
    writeTestFile(root + "/file.txt", "contents");
    writeTestFile(root + "/other.txt", "other");
    writeTestFile(root + "/folder/inner.txt", "inner");
    writeTestFile(root + "/target/kept.txt", "kept");
  }
  PathFacts at(const std::string& relative) { return queryPathFacts(windowsPath(root + "/" + relative)); }
};

TEST_F(PathFactsWin32, FilesFoldersAndWhatIsMissing) {
  struct Case {
    const char* path;
    uint32_t error;
    bool folder;
  } cases[] = {
      {"file.txt", 0, false},
      {"folder", 0, true},
      {"folder/inner.txt", 0, false},
      {"nothing.txt", ERROR_FILE_NOT_FOUND, false},
      {"nowhere/nothing.txt", ERROR_PATH_NOT_FOUND, false},
  };
  for (const Case& c : cases) {
    PathFacts f = at(c.path);
    EXPECT_EQ(f.error, c.error) << c.path;
    EXPECT_EQ(f.folder, c.folder) << c.path;
    EXPECT_FALSE(f.link) << c.path;
    if (c.error == 0) {
      EXPECT_EQ((f.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, c.folder) << c.path;
      EXPECT_TRUE(f.identityKnown) << c.path;
    }
  }
}

TEST_F(PathFactsWin32, IdentityIsTheFilesOwnAndSurvivesARename) {
  PathFacts file = at("file.txt"), other = at("other.txt");
  ASSERT_TRUE(file.identityKnown && other.identityKnown);
  EXPECT_EQ(file.volume, other.volume);
  EXPECT_NE(file.fileId, other.fileId);
  std::u16string from = windowsPath(root + "/file.txt"), to = windowsPath(root + "/renamed.txt");
  ASSERT_TRUE(MoveFileW(wide(from), wide(to)));
  EXPECT_EQ(at("renamed.txt").fileId, file.fileId);
  // Another file under the old name is another file.
  writeTestFile(root + "/file.txt", "new");
  EXPECT_NE(at("file.txt").fileId, file.fileId);
}

TEST_F(PathFactsWin32, ALinkIsLookedAtItselfNotFollowed) {
  std::u16string link = windowsPath(root + "/link"), target = windowsPath(root + "/target");
  if (!CreateSymbolicLinkW(wide(link), wide(target),
                           SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    GTEST_SKIP() << "no symbolic links here (error " << GetLastError() << ")";
  // Wine 8 answers success without making the link.
  if (GetFileAttributesW(wide(link)) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "the link was not made";
  PathFacts f = at("link");
  EXPECT_EQ(f.error, 0u);
  EXPECT_TRUE(f.link);
  EXPECT_TRUE(f.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  PathFacts t = at("target");
  EXPECT_FALSE(t.link);
  EXPECT_NE(f.fileId, t.fileId) << "the link's own entry, not its target's";
}

// Puts the variables the test changes back as they were.
struct SavedVariables {
  std::vector<std::pair<const wchar_t*, std::wstring>> values;
  std::vector<const wchar_t*> unset;
  SavedVariables() {
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramW6432", L"ProgramData"}) {
      wchar_t value[32768];
      DWORD n = GetEnvironmentVariableW(name, value, 32768);
      if (n > 0 && n < 32768) values.push_back({name, std::wstring(value, n)});
      else unset.push_back(name);
    }
  }
  ~SavedVariables() {
    for (auto& [name, value] : values) SetEnvironmentVariableW(name, value.c_str());
    for (const wchar_t* name : unset) SetEnvironmentVariableW(name, nullptr);
  }
};

TEST(SystemFoldersWin32, TheWindowsFolderTheProgramAndNothingTooLong) {
  std::vector<std::u16string> folders = systemFoldersToProtect();
  wchar_t buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  ASSERT_GT(length, 0u);
  std::u16string windows(reinterpret_cast<const char16_t*>(buffer), length);
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::u16string exe(reinterpret_cast<const char16_t*>(buffer));
  ASSERT_FALSE(folders.empty());
  EXPECT_TRUE(sameText(folders.front(), windows));
  EXPECT_TRUE(sameText(folders.back(), exe));
  for (const std::u16string& f : folders) {
    EXPECT_GE(f.size(), 1u);
    EXPECT_LT(f.size(), 260u);
  }
  // The variables are read as they are now: an unset one adds nothing, a long one too.
  SavedVariables saved;
  SetEnvironmentVariableW(L"ProgramW6432", nullptr);
  SetEnvironmentVariableW(L"ProgramData", std::wstring(300, L'x').c_str());
  std::vector<std::u16string> fewer = systemFoldersToProtect();
  for (const std::u16string& f : fewer) EXPECT_LT(f.size(), 260u);
  EXPECT_TRUE(sameText(fewer.front(), windows));
  SetEnvironmentVariableW(L"ProgramFiles", L"C:\\Programs Here");
  std::vector<std::u16string> changed = systemFoldersToProtect();
  EXPECT_NE(std::find(changed.begin(), changed.end(), u"C:\\Programs Here"), changed.end());
}

}  // namespace
