// Folder containment and the fast-scan state, on the paths of each system.
#include "engine/tree.h"
#include "config/policy.h"
#include "platform/scan_path.h"
#include "base/utf.h"
#include <gtest/gtest.h>

TEST(PolicyPaths, ContainmentByWholeFolderNames) {
  const bool windows = kPathSeparator == u'\\';
  const std::vector<std::u16string> folders =
      windows ? std::vector<std::u16string>{u"C:\\Data", u"E:\\"} : std::vector<std::u16string>{u"/srv/data", u"/"};
  const std::vector<std::u16string> data = windows ? std::vector<std::u16string>{u"C:\\Data"}
                                                   : std::vector<std::u16string>{u"/srv/data"};
  const struct {
    std::u16string_view windowsPath, posixPath;
    bool allowed;
  } cases[] = {
      {u"C:\\Data", u"/srv/data", true},
      {u"C:\\Data\\x", u"/srv/data/x", true},
      {u"C:\\Data\\", u"/srv/data/", true},
      {u"C:\\Data\\x\\..\\..\\Database", u"/srv/data/x/../../database", false},
      {u"C:\\Database", u"/srv/database", false},
      {u"C:\\Dat", u"/srv/dat", false},
      {u"C:\\", u"/srv", false},
      {u"", u"", false},
  };
  for (const auto& c : cases) {
    std::u16string_view path = windows ? c.windowsPath : c.posixPath;
    EXPECT_EQ(isPathAllowed(data, path), c.allowed) << utf8FromUtf16(path);
    EXPECT_TRUE(isPathAllowed({}, path));
  }
  if (windows) {
    EXPECT_TRUE(isPathAllowed(data, u"c:\\data\\X"));  // case does not matter on Windows
    EXPECT_TRUE(isPathAllowed(folders, u"E:\\anything\\below"));
    EXPECT_TRUE(isPathAllowed(folders, u"e:"));
    EXPECT_FALSE(isPathAllowed(folders, u"D:\\"));
  } else {
    EXPECT_FALSE(isPathAllowed(data, u"/SRV/DATA"));  // nor does it elsewhere
    EXPECT_TRUE(isPathAllowed(folders, u"/anything/below"));
  }
}

TEST(PolicyPaths, FastScanState) {
  const struct {
    uint8_t disableMft, hideRestart;
    bool admin;
    uint8_t state;
  } cases[] = {
      {0, 0, true, kFastScanAdmin},   {0, 1, true, kFastScanAdmin},
      {0, 0, false, kFastScanRestart}, {0, 1, false, kFastScanRestartHidden},
      {1, 0, true, kFastScanOff},     {1, 1, false, kFastScanOff},
  };
  for (const auto& c : cases) {
    PolicyRecord policies;
    policies.disableMftScan = c.disableMft;
    policies.hideRestartAsAdmin = c.hideRestart;
    EXPECT_EQ(fastScanState(policies, c.admin), c.state);
  }
}

// Drives known by their root path (natively mount points): a drive whose root is
// allowed is allowed, one holding an allowed folder is limited to the first such
// folder, any other is blocked.
TEST(PolicyPaths, DriveStatusOfRoot) {
  const bool windows = kPathSeparator == u'\\';
  PolicyRecord policies;
  policies.allowedPaths = windows ? std::vector<std::u16string>{u"D:\\Projects", u"D:\\Other", u"E:\\"}
                                  : std::vector<std::u16string>{u"/data/projects", u"/data/other", u"/media/stick"};
  const struct {
    std::u16string_view windowsRoot, posixRoot;
    uint8_t status;
    std::u16string_view windowsFolder, posixFolder;
  } cases[] = {
      {u"D:\\", u"/data", kDriveLimited, u"D:\\Projects", u"/data/projects"},
      {u"C:\\", u"/home", kDriveBlocked, u"", u""},
      {u"E:\\", u"/media/stick", kDriveAllowed, u"", u""},
      {u"D:\\Proj", u"/data/proj", kDriveBlocked, u"", u""},
  };
  for (const auto& c : cases) {
    DriveStatus status = driveStatusOfRoot(policies, windows ? c.windowsRoot : c.posixRoot);
    EXPECT_EQ(status.status, c.status) << utf8FromUtf16(windows ? c.windowsRoot : c.posixRoot);
    EXPECT_EQ(utf8FromUtf16(status.folder), utf8FromUtf16(windows ? c.windowsFolder : c.posixFolder));
    EXPECT_EQ(driveStatusOfRoot(PolicyRecord(), windows ? c.windowsRoot : c.posixRoot).status, kDriveAllowed);
  }
  // The root of everything holds every allowed folder.
  if (!windows) {
    DriveStatus whole = driveStatusOfRoot(policies, u"/");
    EXPECT_EQ(whole.status, kDriveLimited);
    EXPECT_EQ(utf8FromUtf16(whole.folder), "/data/projects");
  }
}
