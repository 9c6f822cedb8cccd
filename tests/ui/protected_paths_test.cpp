#include "ui/protected_paths.h"

#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A system drive as it is scanned, with the settings in the roaming profile and the
// program in C:\Tools.
struct SystemDrive {
  TestTree t;
  int32_t root, windows, system32, dll, programFiles, app, programData, cache, users, me, appData, roaming, settings,
      settingsFile, documents, docProgramData, docCache, notes, other, otherFile, recycle, recycled, pagefile, tools, exe,
      readme, data;
  SystemDrive() {
    root = t.root(u"C:\\");
    windows = t.folder(root, u"Windows");
    system32 = t.folder(windows, u"System32");
    dll = t.file(system32, u"kernel32.dll", 100);
    programFiles = t.folder(root, u"Program Files");
    app = t.folder(programFiles, u"App");
    t.file(app, u"app.exe", 100);
    programData = t.folder(root, u"ProgramData");
    cache = t.folder(programData, u"Cache");
    t.file(cache, u"c.bin", 100);
    users = t.folder(root, u"Users");
    me = t.folder(users, u"me");
    appData = t.folder(me, u"AppData");
    roaming = t.folder(appData, u"Roaming");
    settings = t.folder(roaming, u"Mossbloom");
    settingsFile = t.file(settings, u"settings.ini", 10);
    documents = t.folder(me, u"Documents");
    docProgramData = t.folder(documents, u"ProgramData");
    docCache = t.folder(docProgramData, u"Cache");
    t.file(docCache, u"c.bin", 100);
    notes = t.file(documents, u"notes.txt", 10);
    other = t.folder(users, u"other");
    otherFile = t.file(other, u"file.txt", 10);
    recycle = t.folder(root, u"$Recycle.Bin");
    recycled = t.file(recycle, u"$R1.txt", 10);
    pagefile = t.file(root, u"pagefile.sys", 1000);
    tools = t.folder(root, u"Tools");
    exe = t.file(tools, u"mossbloom.exe", 100);
    readme = t.file(tools, u"readme.txt", 10);
    data = t.file(root, u"data.bin", 10);
    finalizeTree(t.tree);
  }
};

const std::vector<std::u16string> kSystemFolders = {
    u"c:\\windows",   // case does not matter
    u"C:\\Program Files\\",
    u"C:\\Program Files (x86)",   // not on this drive's tree: no flag
    u"C:\\ProgramData",
    u"C:\\Tools\\mossbloom.exe",
    u"C:\\Users\\me\\AppData\\Roaming\\Mossbloom",   // the settings folder
};
const std::vector<std::u16string> kPolicy = {u"C:\\Users\\other\\\\", u"D:\\Elsewhere", u""};

TEST(ProtectedPaths, SystemDriveTable) {
  SystemDrive d;
  std::vector<uint8_t> flags = protectedFlags(d.t.tree, kSystemFolders, kPolicy);
  ASSERT_EQ(flags.size(), static_cast<size_t>(d.t.tree.nodeCount));
  struct Case {
    const char* what;
    int32_t node;
    bool isProtected;
  } cases[] = {
      {"the scanned drive's root", d.root, true},
      {"the Windows folder", d.windows, true},
      {"inside the Windows folder", d.dll, true},
      {"Program Files", d.programFiles, true},
      {"a program's folder", d.app, true},
      {"a folder inside ProgramData", d.cache, true},
      {"Users: on the way to the settings", d.users, true},
      {"the profile: on the way to the settings", d.me, true},
      {"AppData", d.appData, true},
      {"the settings folder", d.settings, true},
      {"the settings file", d.settingsFile, true},
      {"Documents beside AppData", d.documents, false},
      {"a folder named ProgramData in Documents", d.docProgramData, false},
      {"its Cache", d.docCache, false},
      {"a document", d.notes, false},
      {"a folder of the policy (trailing separators)", d.other, true},
      {"inside it", d.otherFile, true},
      {"$Recycle.Bin", d.recycle, true},
      {"inside $Recycle.Bin", d.recycled, true},
      {"pagefile.sys", d.pagefile, true},
      {"the folder of the program", d.tools, true},
      {"the program", d.exe, true},
      {"a file beside the program", d.readme, false},
      {"a file at the root", d.data, false},
  };
  for (const Case& c : cases) EXPECT_EQ(isProtectedNode(d.t.tree, flags, c.node), c.isProtected) << c.what;
  EXPECT_EQ(flags[d.root], kProtectedNode);
  EXPECT_EQ(flags[d.users], kProtectedNode);
  EXPECT_EQ(flags[d.windows], kProtectedSubtree);
  EXPECT_EQ(flags[d.system32], kUnprotected) << "covered by its ancestor's flag";
}

TEST(ProtectedPaths, ARootInsideAProtectedFolderIsProtectedWhole) {
  TestTree t;
  int32_t root = t.root(u"C:\\Windows\\System32");
  int32_t drivers = t.folder(root, u"drivers");
  int32_t sys = t.file(drivers, u"x.sys", 10);
  finalizeTree(t.tree);
  std::vector<uint8_t> flags = protectedFlags(t.tree, kSystemFolders, {});
  EXPECT_EQ(flags[root], kProtectedSubtree);
  EXPECT_TRUE(isProtectedNode(t.tree, flags, drivers));
  EXPECT_TRUE(isProtectedNode(t.tree, flags, sys));
}

TEST(ProtectedPaths, AFolderScanProtectsOnlyItsRootAndTheWayDown) {
  TestTree t;
  int32_t root = t.root(u"C:\\Users\\me");
  int32_t appData = t.folder(root, u"AppData");
  int32_t local = t.folder(appData, u"Local");
  int32_t roaming = t.folder(appData, u"Roaming");
  int32_t settings = t.folder(roaming, u"Mossbloom");
  int32_t music = t.folder(root, u"Music");
  finalizeTree(t.tree);
  std::vector<uint8_t> flags = protectedFlags(t.tree, kSystemFolders, {});
  EXPECT_TRUE(isProtectedNode(t.tree, flags, root));
  EXPECT_TRUE(isProtectedNode(t.tree, flags, appData));
  EXPECT_TRUE(isProtectedNode(t.tree, flags, roaming));
  EXPECT_TRUE(isProtectedNode(t.tree, flags, settings));
  EXPECT_FALSE(isProtectedNode(t.tree, flags, local)) << "a sibling on the way down";
  EXPECT_FALSE(isProtectedNode(t.tree, flags, music));
  // No drive root here: C:\ names no node of this tree, and the drive's own entries
  // lie outside it.
  EXPECT_EQ(flags[root], kProtectedNode);
}

TEST(ProtectedPaths, NativeRootsAndFoldersThatAreNotFound) {
  TestTree t;
  int32_t root = t.root(u"/home/u");
  int32_t config = t.folder(root, u".config");
  int32_t own = t.folder(config, u"mossbloom");
  int32_t other = t.folder(config, u"editor");
  finalizeTree(t.tree);
  std::vector<uint8_t> flags =
      protectedFlags(t.tree, {u"/usr", u"/home/u/.config/mossbloom//", u"/home/u/gone"}, {u"/home/u/missing/x"});
  EXPECT_TRUE(isProtectedNode(t.tree, flags, own));
  EXPECT_TRUE(isProtectedNode(t.tree, flags, config));
  EXPECT_FALSE(isProtectedNode(t.tree, flags, other));
  EXPECT_EQ(flags[root], kProtectedNode) << "folders that were not found add nothing";
  // Flags shorter than the tree (grown since) protect nothing new.
  EXPECT_FALSE(isProtectedNode(t.tree, {}, other));
  EXPECT_FALSE(isProtectedNode(t.tree, flags, -1));
}

}  // namespace
