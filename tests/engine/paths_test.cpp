// Node paths, lookups by path and the path-prefix test. Natively "/" plays the
// drive root "C:\"; the cases are written once with '\' and converted.
#include "tests/engine/test_tree.h"
#include "platform/scan_path.h"
#include <gtest/gtest.h>

namespace {
#if defined(_WIN32)
const std::u16string kDrive = u"C:\\";
const std::u16string kFolderRoot = u"D:\\Data";
#else
const std::u16string kDrive = u"/";
const std::u16string kFolderRoot = u"/home/Data";
#endif

// Builds <root>\Data\Sub\file.txt, <root>\Data\Über, <root>\data2 under `rootPath`.
struct PathFixture {
  TestTree t;
  int32_t root, data, sub, file, umlaut, data2;
  explicit PathFixture(std::u16string_view rootPath) {
    root = t.root(rootPath);
    data = t.folder(root, u"Data");
    data2 = t.folder(root, u"data2");
    sub = t.folder(data, u"Sub");
    umlaut = t.folder(data, u"\u00DCber");
    file = t.file(sub, u"file.txt", 10);
  }
};
}  // namespace

TEST(TreePaths, NodePathJoinsNamesBelowTheRoot) {
  PathFixture drive(kDrive);
  EXPECT_EQ(nodePath(drive.t.tree, drive.root), kDrive);
  EXPECT_EQ(nodePath(drive.t.tree, drive.file), kDrive + nativePath(u"Data\\Sub\\file.txt"));
  PathFixture folder(kFolderRoot);
  EXPECT_EQ(nodePath(folder.t.tree, folder.root), kFolderRoot);
  EXPECT_EQ(nodePath(folder.t.tree, folder.umlaut), kFolderRoot + nativePath(u"\\Data\\\u00DCber"));
}

TEST(TreePaths, NodePathUsesTheFullRootPathNotTheCutRootName) {
  TestTree t;
  std::u16string longRoot = kFolderRoot + nativePath(u"\\") + std::u16string(300, u'r');
  int32_t root = t.root(longRoot);
  int32_t child = t.file(root, u"x");
  EXPECT_EQ(t.tree.node(root).nameLength, 255u);
  EXPECT_EQ(nodePath(t.tree, child), longRoot + nativePath(u"\\x"));
  EXPECT_EQ(findNodeByPath(t.tree, longRoot + nativePath(u"\\X")), child);
}

TEST(TreePaths, FindOnADriveRoot) {
  PathFixture f(kDrive);
  struct Case {
    std::u16string path;
    int32_t expected;
  } cases[] = {
      {kDrive, f.root},
      {kDrive + nativePath(u"\\"), f.root},
      {kDrive + nativePath(u"\\\\\\"), f.root},
      {kDrive + nativePath(u"data\\\\"), f.data},
      {kDrive + nativePath(u"DATA\\sub\\FILE.TXT"), f.file},
      {kDrive + nativePath(u"data\\\u00FCBER"), f.umlaut},
      {kDrive + nativePath(u"Data2"), f.data2},
      {kDrive + nativePath(u"Data\\Sub\\file.txt\\"), f.file},
      {kDrive + nativePath(u"Dat"), kNoNode},
      {kDrive + nativePath(u"Data\\Sub\\file.txt\\more"), kNoNode},
      {kDrive + nativePath(u"Data\\\\Sub"), kNoNode},   // an empty component names nothing
      {kDrive + std::u16string(u"Data") + char16_t(0) + u"junk", f.data},
      {u"", kNoNode},
#if defined(_WIN32)
      {u"C:", kNoNode},
      {u"c:\\", f.root},
      {u"c:\\data\\\\", f.data},
      {u"D:\\Data", kNoNode},
      {u"C:/Data", kNoNode},
#else
      {u"Data", kNoNode},
      {u"\\Data", kNoNode},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findNodeByPath(f.t.tree, c.path), c.expected) << std::string(c.path.begin(), c.path.end());
  }
}

TEST(TreePaths, FindUnderAFolderRoot) {
  PathFixture f(kFolderRoot);
  std::u16string upper = kFolderRoot;
  for (char16_t& c : upper) c = upperCase(c);
  struct Case {
    std::u16string path;
    int32_t expected;
  } cases[] = {
      {kFolderRoot, f.root},
      {upper + nativePath(u"\\"), f.root},
      {kFolderRoot + nativePath(u"\\Data\\Sub"), f.sub},
      {kFolderRoot + u"x", kNoNode},               // a longer name is not below the root
      {kFolderRoot + nativePath(u"x\\Data"), kNoNode},
      {kFolderRoot.substr(0, kFolderRoot.size() - 1), kNoNode},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findNodeByPath(f.t.tree, c.path), c.expected) << std::string(c.path.begin(), c.path.end());
  }
}

TEST(TreePaths, FindOnAnEmptyTree) {
  TestTree t;
  EXPECT_EQ(findNodeByPath(t.tree, kDrive), kNoNode);
}

TEST(TreePaths, IsPathUnder) {
  struct Case {
    const char16_t* path;
    const char16_t* prefix;
    bool under;
  } cases[] = {
      {u"C:\\Data", u"C:\\Data", true},
      {u"C:\\Data\\x", u"c:\\data", true},
      {u"C:\\Data\\x", u"C:\\Data\\", true},
      {u"C:\\Datax", u"C:\\Data", false},
      {u"C:\\Data", u"C:\\Data\\x", false},
      {u"C:\\x", u"C:\\", true},
      {u"C:\\\u00E4rger\\x", u"C:\\\u00C4RGER", true},
      {u"C:\\Data", u"", false},
      {u"", u"", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isPathUnder(nativePath(c.path), nativePath(c.prefix)), c.under)
        << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
  }
  // Paths of a tree the other build wrote keep their separator, on either build.
  const Case asWritten[] = {
      {u"C:\\Data\\x", u"c:\\data", true},
      {u"C:\\Datax", u"C:\\Data", false},
      {u"C:\\Data/x", u"C:\\Data", false},
      {u"\\\\server\\share\\x", u"\\\\server\\share", true},
      {u"/srv/Data/x", u"/SRV/data", true},
      {u"/srv/Data\\x", u"/srv/Data", false},
      {u"/x", u"/", true},
  };
  for (const Case& c : asWritten) {
    EXPECT_EQ(isPathUnder(c.path, c.prefix), c.under)
        << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
  }
}

// A tree imported from a file the other build wrote keeps its root's separator:
// paths are joined and split with it on either build, never with a mix.
TEST(TreePaths, PathsFollowTheSeparatorOfTheRootPath) {
  struct Case {
    std::u16string rootPath;
    char16_t separator;
  } cases[] = {
      {u"C:\\", u'\\'},
      {u"D:\\Data", u'\\'},
      {u"\\\\server\\share", u'\\'},
      {u"/", u'/'},
      {u"/srv/Data", u'/'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.rootPath.begin(), c.rootPath.end()));
    EXPECT_EQ(pathSeparatorFor(c.rootPath), c.separator);
    PathFixture f(c.rootPath);
    const char16_t s = c.separator, other = s == u'\\' ? u'/' : u'\\';
    std::u16string below = c.rootPath.back() == s ? c.rootPath : c.rootPath + s;
    std::u16string file = below + u"Data" + s + u"Sub" + s + u"file.txt";
    EXPECT_EQ(nodePath(f.t.tree, f.file), file);
    EXPECT_EQ(nodePath(f.t.tree, f.root), c.rootPath);
    struct Find {
      std::u16string path;
      int32_t expected;
    } finds[] = {
        {file, f.file},
        {below + u"DATA" + s + u"sub" + s + s, f.sub},
        {c.rootPath + s + s, f.root},
        {below + u"Data" + other + u"Sub", kNoNode},   // the other separator is part of a name
    };
    for (const Find& find : finds) {
      EXPECT_EQ(findNodeByPath(f.t.tree, find.path), find.expected)
          << std::string(find.path.begin(), find.path.end());
    }
  }
  // A drive root keeps its separator when trailing ones are cut; the bare drive is not it.
  PathFixture drive(u"C:\\");
  EXPECT_EQ(findNodeByPath(drive.t.tree, u"c:\\data\\\\"), drive.data);
  EXPECT_EQ(findNodeByPath(drive.t.tree, u"C:\\\\"), drive.root);
  EXPECT_EQ(findNodeByPath(drive.t.tree, u"C:"), kNoNode);
}
