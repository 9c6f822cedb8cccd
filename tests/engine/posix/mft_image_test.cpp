// The fast scan of real NTFS images made by mkntfs and filled through ntfs-3g,
// compared with what the ntfs-3g mount shows.
#include "engine/mft_scan.h"
#include "app/failure_text.h"
#include "base/utf.h"
#include "tests/engine/posix/ntfs_fixture.h"
#include "tests/engine/test_tree.h"
#include "tests/support/temp_dir.h"
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct MountEntry {
  bool isFolder = false;
  int64_t size = 0;
  int64_t mtime = 0;
  uint64_t inode = 0;
  int64_t blocksBytes = 0;
  int streams = 0;
};

int userAttributeCount(const std::string& path) {
  char names[4096];
  ssize_t n = llistxattr(path.c_str(), names, sizeof names);
  int count = 0;
  for (ssize_t i = 0; i < n; i += ssize_t(strlen(names + i)) + 1) {
    if (strncmp(names + i, "user.", 5) == 0) count++;
  }
  return count;
}

// Relative path (with '/') -> what the mount says, for everything under `folder`.
std::map<std::string, MountEntry> listMount(const std::string& folder) {
  std::map<std::string, MountEntry> entries;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    struct stat st;
    std::string path = it->path().string();
    if (lstat(path.c_str(), &st) != 0) continue;
    MountEntry e;
    e.isFolder = S_ISDIR(st.st_mode);
    e.size = e.isFolder ? 0 : int64_t(st.st_size);
    e.mtime = int64_t(st.st_mtime);
    e.inode = st.st_ino;
    e.blocksBytes = int64_t(st.st_blocks) * 512;
    e.streams = e.isFolder ? 0 : userAttributeCount(path);
    entries[fs::relative(it->path(), folder).generic_string()] = e;
  }
  return entries;
}

void listTree(const Tree& tree, int32_t node, const std::string& prefix, std::map<std::string, int32_t>& out) {
  for (int32_t c = tree.node(node).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    std::string path = prefix + utf8FromUtf16(nodeName(tree, c));
    out[path] = c;
    listTree(tree, c, path + "/", out);
  }
}

bool isSystemName(const std::string& path) { return !path.empty() && path[0] == '$'; }

int64_t unixSeconds(int64_t filetime) { return (filetime - kUnixEpochFiletime) / 10000000; }

struct Scan {
  TestTree t;
  ScanProgress progress;
  std::u16string error;
  bool ok = false;
  std::map<std::string, int32_t> paths;
  explicit Scan(const std::string& imageAndFolder) {
    MftFailure failure = MftFailure::None;
    ok = mftScanImage(t.tree, utf16FromUtf8(imageAndFolder), progress, failure);
    error = mftFailureText(failure);
    if (ok) {
      finalizeTree(t.tree);
      listTree(t.tree, t.tree.rootIndex, "", paths);
    }
  }
  int32_t at(const std::string& path) const {
    auto it = paths.find(path);
    return it == paths.end() ? kNoNode : it->second;
  }
};

class MftImage : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_NTFS_FIXTURE();
    ASSERT_TRUE(mountNtfsReadOnly(ntfsFixture().image, ntfsFixture().mountPoint));
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) unmountNtfs(ntfsFixture().mountPoint);
  }
  std::string mount(const std::string& folder = "") const {
    return folder.empty() ? ntfsFixture().mountPoint : ntfsFixture().mountPoint + "/" + folder;
  }
  bool mounted_ = false;
};

TEST_F(MftImage, WholeVolumeMatchesTheMount) {
  Scan scan(ntfsFixture().image);
  ASSERT_TRUE(scan.ok) << utf8FromUtf16(scan.error);
  const Tree& tree = scan.t.tree;
  EXPECT_EQ(tree.rootPath, utf16FromUtf8(ntfsFixture().image));
  EXPECT_EQ(nodeName(tree, tree.rootIndex), u".");
  EXPECT_EQ(tree.clusterSize, 4096);
  EXPECT_EQ(scan.progress.done.load(), scan.progress.total.load());
  EXPECT_NE(scan.at("$MFT"), kNoNode);
  EXPECT_NE(scan.at("$Extend"), kNoNode);

  std::map<std::string, MountEntry> mounted = listMount(mount());
  std::map<uint64_t, std::vector<std::string>> namesOfInode;
  for (auto& [path, e] : mounted) namesOfInode[e.inode].push_back(path);

  for (auto& [path, node] : scan.paths) {
    if (isSystemName(path)) continue;
    auto it = mounted.find(path);
    ASSERT_NE(it, mounted.end()) << "the scan has " << path << " but the mount does not";
    const MountEntry& e = it->second;
    EXPECT_EQ(bool(tree.node(node).flags & kNodeFolder), e.isFolder) << path;
    EXPECT_EQ(bool(attributes(tree, node) & kAttributeDirectory), e.isFolder) << path;
    if (!e.isFolder) {
      EXPECT_EQ(logicalSize(tree, node), e.size) << path;
    }
    EXPECT_EQ(unixSeconds(modifiedTime(tree, node)), e.mtime) << path;
    // Non-resident data of plain files: ntfs-3g reports the same allocation.
    if (!e.isFolder && e.size > 1024 && e.streams == 0) {
      EXPECT_EQ(onDiskSize(tree, node), e.blocksBytes) << path;
    }
  }
  // Every file of the mount is in the tree exactly once, under one of its names.
  int64_t extraLinks = 0;
  for (auto& [inode, names] : namesOfInode) {
    int present = 0;
    for (auto& name : names) present += scan.at(name) != kNoNode;
    EXPECT_EQ(present, 1) << names[0];
    extraLinks += int64_t(names.size()) - 1;
  }
  EXPECT_EQ(tree.hardLinkCount, extraLinks);
  EXPECT_EQ(extraLinks, 2);
  int64_t mountFiles = 0;
  for (auto& [path, e] : mounted) mountFiles += !e.isFolder;
  int64_t systemFiles = 0;
  for (auto& [path, node] : scan.paths) systemFiles += isSystemName(path) && !(tree.node(node).flags & kNodeFolder);
  EXPECT_EQ(tree.fileCount, mountFiles - extraLinks + systemFiles);
}

TEST_F(MftImage, SizesOnDiskFollowTheAllocation) {
  Scan scan(ntfsFixture().image);
  ASSERT_TRUE(scan.ok) << utf8FromUtf16(scan.error);
  const Tree& tree = scan.t.tree;
  std::map<std::string, MountEntry> mounted = listMount(mount());

  int32_t small = scan.at("small.bin");
  ASSERT_NE(small, kNoNode);
  EXPECT_EQ(logicalSize(tree, small), 300);
  EXPECT_EQ(onDiskSize(tree, small), 0) << "resident data lives inside the record";

  int32_t sparse = scan.at("sparse.bin");
  ASSERT_NE(sparse, kNoNode);
  EXPECT_EQ(logicalSize(tree, sparse), int64_t(1) << 30);
  EXPECT_EQ(onDiskSize(tree, sparse), 65536);
  EXPECT_EQ(onDiskSize(tree, sparse), mounted["sparse.bin"].blocksBytes);
  EXPECT_TRUE(attributes(tree, sparse) & kAttributeSparse);

  int32_t packed = scan.at("Comp/packed.txt");
  ASSERT_NE(packed, kNoNode);
  EXPECT_EQ(logicalSize(tree, packed), 300000);
  EXPECT_EQ(onDiskSize(tree, packed), mounted["Comp/packed.txt"].blocksBytes);
  EXPECT_LT(onDiskSize(tree, packed), 300000 / 4);
  EXPECT_GT(onDiskSize(tree, packed), 0);
  EXPECT_TRUE(attributes(tree, packed) & kAttributeCompressed);

  // The main data is resident; the 3000-byte stream is not and counts on disk.
  int32_t streamed = scan.at("Streams/two.txt");
  ASSERT_NE(streamed, kNoNode);
  EXPECT_EQ(logicalSize(tree, streamed), 4);
  EXPECT_EQ(onDiskSize(tree, streamed), 4096);
}

TEST_F(MftImage, NamesPreferLongAndKeepPosixOnes) {
  Scan scan(ntfsFixture().image + "::Names");
  ASSERT_TRUE(scan.ok) << utf8FromUtf16(scan.error);
  std::set<std::string> names;
  for (auto& [path, node] : scan.paths) names.insert(path);
  EXPECT_EQ(names, (std::set<std::string>{"A rather long file name.text", "Case.txt", "case.txt"}));
  EXPECT_EQ(scan.t.tree.hardLinkCount, 0) << "a DOS short name is no hard link";
}

TEST_F(MftImage, ManyFilesSpanSeveralChunks) {
  Scan scan(ntfsFixture().image + "::Many");
  ASSERT_TRUE(scan.ok) << utf8FromUtf16(scan.error);
  EXPECT_EQ(int64_t(scan.paths.size()), ntfsFixture().manyFiles);
  EXPECT_GT(scan.progress.total.load(), 2 * (4 << 20) / 1024) << "the table needs more than two 4 MiB chunks";
  std::map<std::string, MountEntry> mounted = listMount(mount("Many"));
  EXPECT_EQ(mounted.size(), scan.paths.size());
  for (auto& [path, e] : mounted) {
    int32_t node = scan.at(path);
    ASSERT_NE(node, kNoNode) << path;
    EXPECT_EQ(logicalSize(scan.t.tree, node), e.size) << path;
  }
}

struct FolderCase {
  const char* folder;
  const char* mountFolder;
  const char* rootName;
  int64_t hardLinks;
  int64_t streams;
  std::vector<std::string> present;
  std::vector<std::string> absent;
};

TEST_F(MftImage, FolderScansFindTheirRootAndCountInsideIt) {
  const FolderCase cases[] = {
      {"Links", "Links", "Links", 2, 0, {"inside.bin"}, {}},
      // The file's best name is under Links: it is not in Outside, nor is its link counted.
      {"Outside", "Outside", "Outside", 0, 0, {}, {"outside-link.bin"}},
      {"Streams", "Streams", "Streams", 0, 3, {"one.txt", "two.txt"}, {}},
      {"docs/NESTED", "Docs/Nested", "Nested", 0, 0, {"Deep/deep.bin", "Deep/note.txt"}, {"report.bin"}},
      {"/Docs/Nested/Deep/", "Docs/Nested/Deep", "Deep", 0, 0, {"deep.bin", "note.txt"}, {}},
      {"\\Docs\\Nested", "Docs/Nested", "Nested", 0, 0, {"Deep"}, {}},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.folder);
    std::string imageAndFolder = ntfsFixture().image + "::" + c.folder;
    Scan scan(imageAndFolder);
    ASSERT_TRUE(scan.ok) << utf8FromUtf16(scan.error);
    const Tree& tree = scan.t.tree;
    EXPECT_EQ(utf8FromUtf16(nodeName(tree, tree.rootIndex)), c.rootName);
    EXPECT_EQ(tree.rootPath, utf16FromUtf8(imageAndFolder));
    EXPECT_EQ(tree.node(tree.rootIndex).parent, kNoNode);
    EXPECT_EQ(tree.hardLinkCount, c.hardLinks);
    EXPECT_EQ(tree.streamCount, c.streams);
    for (auto& p : c.present) EXPECT_NE(scan.at(p), kNoNode) << p;
    for (auto& p : c.absent) EXPECT_EQ(scan.at(p), kNoNode) << p;
    if (std::string(c.folder) == "Links") {
      EXPECT_NE(scan.at("a.bin") != kNoNode, scan.at("b.bin") != kNoNode) << "two links, one node";
    }
    // Only what lies in the scanned folder.
    std::map<std::string, MountEntry> mounted = listMount(mount(c.mountFolder));
    for (auto& [path, node] : scan.paths) EXPECT_TRUE(mounted.count(path)) << path;
  }
  // The stream count agrees with the mount's user.* attributes.
  int streams = 0;
  for (auto& [path, e] : listMount(mount("Streams"))) streams += e.streams;
  EXPECT_EQ(streams, 3);
}

TEST_F(MftImage, FolderScanFailures) {
  const std::pair<const char*, const char*> cases[] = {
      {"NoSuchFolder", "folder not found in MFT"},
      {"Docs/Nested/Missing", "folder not found in MFT"},
      {"small.bin", "folder not found in MFT"},   // a file is no folder to scan
  };
  for (auto& [folder, text] : cases) {
    Scan scan(ntfsFixture().image + "::" + folder);
    EXPECT_FALSE(scan.ok) << folder;
    EXPECT_EQ(utf8FromUtf16(scan.error), text) << folder;
  }
}

TEST_F(MftImage, CancelBeforeTheFirstChunk) {
  TestTree t;
  ScanProgress progress;
  progress.cancel = 1;
  MftFailure failure = MftFailure::None;
  EXPECT_FALSE(mftScanImage(t.tree, utf16FromUtf8(ntfsFixture().image), progress, failure));
  EXPECT_EQ(failure, MftFailure::Cancelled);
  EXPECT_GT(progress.total.load(), 0);
}

TEST(MftImageFile, UnusableFilesGiveFixedTexts) {
  TempDir dir;
  writeTestFile(dir.path + "/zeros.img", std::string(1 << 16, '\0'));
  writeTestFile(dir.path + "/tiny.img", "NTFS");
  const std::pair<std::string, const char*> cases[] = {
      {dir.path + "/missing.img", "cannot open volume"},
      {dir.path, "cannot open volume"},
      {dir.path + "/zeros.img", "not an NTFS volume"},
      {dir.path + "/tiny.img", "not an NTFS volume"},
  };
  for (auto& [path, text] : cases) {
    TestTree t;
    ScanProgress progress;
    MftFailure failure = MftFailure::None;
    EXPECT_FALSE(mftScanImage(t.tree, utf16FromUtf8(path), progress, failure)) << path;
    EXPECT_EQ(utf8FromUtf16(std::u16string(mftFailureText(failure))), text) << path;
  }
}

}  // namespace
