// The native listing: hard links counted once, symbolic links and mount points shown
// but never entered, POSIX modes as attribute bits, names that are not UTF-8.
#include "tests/engine/walk_fixture.h"
#include "platform/listing.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

TEST(WalkNative, HardLinksInTwoFoldersAreCountedOnce) {
  TempDir dir;
  writeSizedFile(dir.path + "/first/original.bin", 5000);
  writeSizedFile(dir.path + "/first/single.bin", 100);
  makeTestDir(dir.path + "/second/deeper");
  ASSERT_EQ(link((dir.path + "/first/original.bin").c_str(), (dir.path + "/second/deeper/link.bin").c_str()), 0);
  ASSERT_EQ(link((dir.path + "/first/original.bin").c_str(), (dir.path + "/second/link2.bin").c_str()), 0);
  WalkedTree w(dir.path);
  EXPECT_EQ(w.tree.hardLinkCount, 2);
  EXPECT_EQ(w.tree.fileCount, 2);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 5100);
  // Breadth-first: the name met first (nearest the root, then listing order) is kept.
  int kept = (w.find(u"first/original.bin") != kNoNode) + (w.find(u"second/link2.bin") != kNoNode) +
             (w.find(u"second/deeper/link.bin") != kNoNode);
  EXPECT_EQ(kept, 1);
  EXPECT_EQ(w.find(u"second/deeper/link.bin"), kNoNode);
}

namespace {
ScanProgress* gStopOnFirstOpen = nullptr;
int32_t stopOnFirstOpen(std::u16string_view, ListingStep step, int) {
  if (step == ListingStep::Open && gStopOnFirstOpen) gStopOnFirstOpen->cancel.store(1);
  return 0;
}
}  // namespace

TEST(WalkNative, HardLinksStayRecognisedAcrossContinue) {
  TempDir dir;
  writeSizedFile(dir.path + "/original.bin", 5000);
  makeTestDir(dir.path + "/b/c");
  ASSERT_EQ(link((dir.path + "/original.bin").c_str(), (dir.path + "/b/c/link.bin").c_str()), 0);
  WalkedTree w;
  gStopOnFirstOpen = &w.progress;
  setListingFaultHook(stopOnFirstOpen);
  w.walk(dir.path);   // stops after the root: b stays Pending
  setListingFaultHook(nullptr);
  gStopOnFirstOpen = nullptr;
  ASSERT_TRUE(w.tree.node(w.find(u"b")).flags & kNodePending);
  w.progress.cancel = 0;
  continueWalk(w.tree, w.progress);
  finalizeTree(w.tree);
  EXPECT_EQ(w.tree.hardLinkCount, 1);
  EXPECT_EQ(w.tree.fileCount, 1);
  EXPECT_EQ(w.find(u"b/c/link.bin"), kNoNode);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 5000);
}

TEST(WalkNative, SymbolicLinksAreShownButNeverEntered) {
  TempDir dir;
  writeSizedFile(dir.path + "/real/data.bin", 4000);
  ASSERT_EQ(symlink("real", (dir.path + "/folder-link").c_str()), 0);
  ASSERT_EQ(symlink("..", (dir.path + "/real/loop").c_str()), 0);          // would loop forever
  ASSERT_EQ(symlink("real/data.bin", (dir.path + "/file-link").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", (dir.path + "/dangling").c_str()), 0);
  WalkedTree w(dir.path);
  struct Case { const char16_t* path; bool folder; } cases[] = {
      {u"folder-link", true}, {u"real/loop", true}, {u"file-link", false}, {u"dangling", false}};
  for (const Case& c : cases) {
    int32_t n = w.find(c.path);
    ASSERT_NE(n, kNoNode) << utf8FromUtf16(c.path);
    EXPECT_TRUE(attributes(w.tree, n) & kAttributeReparsePoint) << utf8FromUtf16(c.path);
    EXPECT_EQ(bool(w.tree.node(n).flags & kNodeFolder), c.folder) << utf8FromUtf16(c.path);
    EXPECT_EQ(w.tree.node(n).firstChild, kNoNode) << utf8FromUtf16(c.path);
    EXPECT_EQ(logicalSize(w.tree, n), 0) << utf8FromUtf16(c.path);
  }
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 4000);
  EXPECT_EQ(w.tree.fileCount, 3);
}

TEST(WalkNative, RootThatIsASymbolicLinkIsListed) {
  TempDir dir;
  writeSizedFile(dir.path + "/real/data.bin", 10);
  ASSERT_EQ(symlink("real", (dir.path + "/link").c_str()), 0);
  WalkedTree w(dir.path + "/link");
  EXPECT_EQ(w.tree.fileCount, 1);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 10);
}

TEST(WalkNative, ModesBecomeAttributeBits) {
  TempDir dir;
  writeSizedFile(dir.path + "/plain.txt", 1);
  writeSizedFile(dir.path + "/.hidden", 1);
  writeSizedFile(dir.path + "/readonly.txt", 1);
  chmod((dir.path + "/readonly.txt").c_str(), 0444);
  makeTestDir(dir.path + "/folder");
  makeTestDir(dir.path + "/.config");
  ASSERT_EQ(mkfifo((dir.path + "/pipe").c_str(), 0644), 0);
  int fd = open((dir.path + "/sparse.img").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 64 << 20), 0);   // 64 MiB of hole
  close(fd);
  WalkedTree w(dir.path);
  struct Case { const char16_t* name; uint32_t attributes; } cases[] = {
      {u"plain.txt", kAttributeNormal},
      {u".hidden", kAttributeHidden},
      {u"readonly.txt", kAttributeReadOnly},
      {u"folder", kAttributeDirectory},
      {u".config", kAttributeDirectory | kAttributeHidden},
      {u"pipe", kAttributeSystem},
      {u"sparse.img", kAttributeSparse},
  };
  for (const Case& c : cases) {
    int32_t n = w.find(c.name);
    ASSERT_NE(n, kNoNode) << utf8FromUtf16(c.name);
    EXPECT_EQ(attributes(w.tree, n), c.attributes) << utf8FromUtf16(c.name);
  }
  int32_t sparse = w.find(u"sparse.img");
  EXPECT_EQ(logicalSize(w.tree, sparse), 64 << 20);
  EXPECT_LT(onDiskSize(w.tree, sparse), 1 << 20);   // size on disk from allocated blocks
}

TEST(WalkNative, NamesThatAreNotUtf8CanStillBeEntered) {
  TempDir dir;
  std::string odd = dir.path + "/caf\xE9-\xFF";   // Latin-1 bytes, invalid as UTF-8
  makeTestDir(odd);
  writeSizedFile(odd + "/inside.txt", 42);
  WalkedTree w(dir.path);
  int32_t folder = w.find(u"caf\xDCE9-\xDCFF");
  ASSERT_NE(folder, kNoNode);
  EXPECT_FALSE(w.tree.node(folder).flags & kNodeUnreadable);
  EXPECT_EQ(logicalSize(w.tree, folder), 42);
}

TEST(WalkNative, MountPointsAreShownButNeverEntered) {
  // /dev/shm is its own file system below /dev on ordinary Linux systems.
  struct stat dev, shm;
  if (stat("/dev", &dev) != 0 || stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev)
    GTEST_SKIP() << "no mount point below /dev";
  WalkedTree w("/dev");
  int32_t n = w.find(u"shm");
  ASSERT_NE(n, kNoNode);
  EXPECT_TRUE(attributes(w.tree, n) & kAttributeReparsePoint);
  EXPECT_EQ(w.tree.node(n).firstChild, kNoNode);
}
