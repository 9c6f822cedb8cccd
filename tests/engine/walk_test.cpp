// The directory walk on real folder trees: contents, big folders, determinism (also when
// folders finish listing out of order), unreadable folders, partial listings,
// stop-and-continue, and out of memory.
#include "tests/engine/walk_fixture.h"
#include "platform/listing.h"
#include "tests/support/held_open.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <gtest/gtest.h>

namespace {
// --- A fault hook the tests steer through globals ----------------------------------------
std::mutex gHookLock;
std::vector<std::u16string> gOpened;       // folders opened, as full paths without separator
std::u16string gFailOpenSuffix;            // open fails for folders whose path ends so
std::u16string gFailReadSuffix;            // listing call 1 fails for these
std::atomic<int> gCancelAfterOpens{0};
std::atomic<int> gOpens{0};
ScanProgress* gCancelTarget = nullptr;
constexpr int32_t kInjectedError = 5;

std::u16string folderOf(std::u16string_view listingPath) {
  std::u16string s(listingPath);
  if (s.rfind(u"\\\\?\\", 0) == 0) s.erase(0, 4);
  if (s.size() > 1 && s.back() == kPathSeparator) s.pop_back();
  return s;
}

bool endsWith(std::u16string_view s, std::u16string_view tail) {
  return !tail.empty() && s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int32_t testHook(std::u16string_view path, ListingStep step, int call) {
  std::u16string folder = folderOf(path);
  if (step == ListingStep::Open) {
    {
      std::lock_guard<std::mutex> hold(gHookLock);
      gOpened.push_back(folder);
    }
    int n = ++gOpens;
    if (gCancelTarget && n == gCancelAfterOpens) gCancelTarget->cancel.store(1);
    std::lock_guard<std::mutex> hold(gHookLock);
    if (endsWith(folder, gFailOpenSuffix)) return kInjectedError;
  } else if (call == 1) {
    std::lock_guard<std::mutex> hold(gHookLock);
    if (endsWith(folder, gFailReadSuffix)) return kInjectedError;
  }
  return 0;
}

struct HookScope {
  HookScope() {
    gOpened.clear();
    gFailOpenSuffix.clear();
    gFailReadSuffix.clear();
    gOpens = 0;
    gCancelAfterOpens = 0;
    gCancelTarget = nullptr;
    setListingFaultHook(testHook);
  }
  ~HookScope() {
    setListingFaultHook(nullptr);
    gCancelTarget = nullptr;
  }
};

// 6 + 36 + 216 folders, three files of different sizes in each, some empty folders.
void buildBranchyTree(const std::string& root) {
  const char* names[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta"};
  int seed = 1;
  for (const char* a : names)
    for (const char* b : names)
      for (const char* c : names) {
        std::string folder = root + "/" + a + "/" + b + "/" + c;
        makeTestDir(folder);
        if ((seed++ % 7) == 0) continue;   // left empty
        for (int f = 0; f < 3; f++) writeSizedFile(folder + "/file" + std::to_string(f) + ".dat", (seed * 37 + f * 911) % 5000);
        writeSizedFile(root + "/" + a + "/" + b + "/notes" + c + ".txt", seed % 300);
      }
}

// Every node at the same index with the same name, links and size.
void expectSameNodes(const Tree& first, const Tree& second) {
  ASSERT_EQ(first.nodeCount, second.nodeCount);
  for (int32_t i = 0; i < first.nodeCount; i++) {
    const TreeNode& a = first.node(i);
    const TreeNode& b = second.node(i);
    ASSERT_EQ(nodeName(first, i), nodeName(second, i)) << i;
    ASSERT_EQ(a.parent, b.parent) << i;
    ASSERT_EQ(a.firstChild, b.firstChild) << i;
    ASSERT_EQ(a.nextSibling, b.nextSibling) << i;
    ASSERT_EQ(logicalSize(first, i), logicalSize(second, i)) << i;
  }
}

// Holds up the listing of about a third of the folders (chosen by their path), so that
// folders handed out later are listed first.
int32_t delayingHook(std::u16string_view path, ListingStep step, int) {
  if (step != ListingStep::Open) return 0;
  size_t h = std::hash<std::u16string_view>{}(path);
  if (h % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200 + h % 1500));
  return 0;
}

std::u16string longName(int i) {
  std::string s = "a-rather-long-file-name-to-fill-the-listing-buffer-quickly-with-entries-";
  s += std::to_string(i);
  while (s.size() < 120) s += 'x';
  return utf16FromUtf8(s);
}
}  // namespace

TEST(Walk, TreeMatchesTheFoldersAndFilesCreated) {
  TempDir dir;
  makeTestDir(dir.path + "/empty");
  makeTestDir(dir.path + "/deep/a/b/c/d/e/empty-too");
  writeSizedFile(dir.path + "/deep/a/b/c/d/e/leaf.bin", 70000);
  writeSizedFile(dir.path + "/deep/a/top.txt", 5);
  writeSizedFile(dir.path + "/zero-bytes", 0);
  // Non-BMP (surrogate pairs), wide BMP and one-byte (Latin-1) names.
  writeSizedFile(dir.path + "/\xF0\x9D\x84\x9E clef/\xF0\x9F\x8C\xB1 sprout.txt", 1234);
  writeSizedFile(dir.path + "/\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9t\xC3\xA9.txt", 77);
  WalkedTree w(dir.path);
  const Tree& t = w.tree;

  WalkEntries onDisk = entriesOnDisk(dir.path);
  EXPECT_EQ(entriesOfTree(t), onDisk);
  EXPECT_EQ(t.fileCount, 5);
  EXPECT_EQ(t.folderCount, 10);
  EXPECT_EQ(logicalSize(t, t.rootIndex), 70000 + 5 + 1234 + 77);
  EXPECT_EQ(t.rootPath, walkRootOf(dir.path));
  EXPECT_TRUE(t.unreadableFolders.empty());
  EXPECT_EQ(t.pendingFolderCount, 0);

  int32_t leaf = w.find(u"deep/a/b/c/d/e/leaf.bin");
  ASSERT_NE(leaf, kNoNode);
  EXPECT_GT(modifiedTime(t, leaf), kUnixEpochFiletime);
  EXPECT_GE(onDiskSize(t, leaf), 70000);
  EXPECT_EQ(attributes(t, w.find(u"deep")) & kAttributeDirectory, kAttributeDirectory);
  EXPECT_EQ(onDiskSize(t, w.find(u"zero-bytes")), 0);
  EXPECT_NE(w.find(u"\U0001D11E clef/\U0001F331 sprout.txt"), kNoNode);
}

TEST(Walk, FolderBeyondOneListingBufferIsListedCompletely) {
  TempDir dir;
  const int count = 1000;   // about 140 KB of listing records natively, 340 KB on Windows
  for (int i = 0; i < count; i++) writeSizedFile(dir.path + "/big/" + utf8FromUtf16(longName(i)), i % 3);
  WalkedTree w(dir.path);
  int32_t big = w.find(u"big");
  ASSERT_NE(big, kNoNode);
  std::multiset<std::u16string> names;
  for (int32_t c = w.tree.node(big).firstChild; c != kNoNode; c = w.tree.node(c).nextSibling) names.insert(nodeName(w.tree, c));
  ASSERT_EQ(names.size(), size_t(count));
  for (int i = 0; i < count; i++) EXPECT_EQ(names.count(longName(i)), 1u) << i;
  EXPECT_EQ(logicalSize(w.tree, big), (count / 3) * (0 + 1 + 2));
}

TEST(Walk, SameTreeTwiceGivesIdenticalNodeOrder) {
  TempDir dir;
  buildBranchyTree(dir.path);
  WalkedTree first(dir.path), second(dir.path);
  ASSERT_GT(first.tree.nodeCount, 900);
  expectSameNodes(first.tree, second.tree);
  // Breadth-first: every node's parent was created before it, and depth never falls.
  auto depth = [&](int32_t n) { int d = 0; for (; n != kNoNode; n = first.tree.node(n).parent) d++; return d; };
  for (int32_t i = 1; i < first.tree.nodeCount; i++) {
    EXPECT_LT(first.tree.node(i).parent, i);
    EXPECT_LE(depth(i - 1), depth(i)) << i;
  }
}

TEST(Walk, ListingsFinishingOutOfOrderGiveTheSameTree) {
  TempDir dir;
  buildBranchyTree(dir.path);
  WalkedTree plain(dir.path);
  setListingFaultHook(delayingHook);
  WalkedTree delayed(dir.path);
  setListingFaultHook(nullptr);
  ASSERT_GT(plain.tree.nodeCount, 900);
  expectSameNodes(plain.tree, delayed.tree);
}

TEST(Walk, UnreadableFolderIsRecordedAndTheWalkGoesOn) {
  TempDir dir;
  writeSizedFile(dir.path + "/locked/secret.txt", 10);
  writeSizedFile(dir.path + "/open/visible.txt", 20);
  writeSizedFile(dir.path + "/open/locked-not/also.txt", 30);
  HookScope hook;
  gFailOpenSuffix = kPathSeparator + std::u16string(u"locked");
  WalkedTree w(dir.path);
  int32_t locked = w.find(u"locked");
  ASSERT_NE(locked, kNoNode);
  EXPECT_TRUE(w.tree.node(locked).flags & kNodeUnreadable);
  EXPECT_EQ(w.tree.node(locked).firstChild, kNoNode);
  ASSERT_EQ(w.tree.unreadableFolders.size(), 1u);
  EXPECT_EQ(w.tree.unreadableFolders[0].node, locked);
  EXPECT_EQ(w.tree.unreadableFolders[0].error, kInjectedError);
  EXPECT_EQ(w.tree.unreadableFolderCount, 1);
  EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), 50);
  EXPECT_NE(w.find(u"open/locked-not/also.txt"), kNoNode);
}

TEST(Walk, MissingRootBecomesAnUnreadableRoot) {
  TempDir dir;
  WalkedTree w(dir.path + "/not-there");
  EXPECT_TRUE(w.tree.node(w.tree.rootIndex).flags & kNodeUnreadable);
  ASSERT_EQ(w.tree.unreadableFolders.size(), 1u);
  EXPECT_NE(w.tree.unreadableFolders[0].error, 0);
  EXPECT_EQ(w.tree.nodeCount, 1);
}

TEST(Walk, ListingThatFailsHalfwayKeepsWhatItRead) {
  TempDir dir;
  const int count = 1000;
  for (int i = 0; i < count; i++) writeSizedFile(dir.path + "/big/" + utf8FromUtf16(longName(i)), 1);
  writeSizedFile(dir.path + "/other/x.txt", 1);
  HookScope hook;
  gFailReadSuffix = kPathSeparator + std::u16string(u"big");
  WalkedTree w(dir.path);
  int32_t big = w.find(u"big");
  ASSERT_NE(big, kNoNode);
  EXPECT_FALSE(w.tree.node(big).flags & kNodeUnreadable);
  std::set<std::u16string> expected;
  for (int i = 0; i < count; i++) expected.insert(longName(i));
  std::set<std::u16string> kept;
  for (int32_t c = w.tree.node(big).firstChild; c != kNoNode; c = w.tree.node(c).nextSibling) {
    std::u16string name = nodeName(w.tree, c);
    EXPECT_TRUE(expected.count(name)) << utf8FromUtf16(name);
    EXPECT_TRUE(kept.insert(name).second) << "listed twice: " << utf8FromUtf16(name);
  }
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LT(kept.size(), size_t(count));
  EXPECT_NE(w.find(u"other/x.txt"), kNoNode);
}

TEST(Walk, StopHalfwayThenContinueEqualsACompleteWalk) {
  TempDir dir;
  buildBranchyTree(dir.path);
  WalkedTree complete(dir.path);

  for (int cancelAfter : {1, 2, 40, 150}) {
    SCOPED_TRACE(cancelAfter);
    WalkedTree w;
    HookScope hook;
    gCancelTarget = &w.progress;
    gCancelAfterOpens = cancelAfter;
    w.walk(dir.path);
    ASSERT_GT(w.tree.pendingFolderCount, 0);
    EXPECT_LT(logicalSize(w.tree, w.tree.rootIndex), logicalSize(complete.tree, complete.tree.rootIndex));
    std::vector<std::u16string> pending;
    for (int32_t i = 0; i < w.tree.nodeCount; i++)
      if (w.tree.node(i).flags & kNodePending) pending.push_back(nodePath(w.tree, i));

    gCancelTarget = nullptr;
    gOpened.clear();
    w.progress.cancel = 0;
    continueWalk(w.tree, w.progress);
    finalizeTree(w.tree);

    std::multiset<std::u16string> opened(gOpened.begin(), gOpened.end());
    for (const std::u16string& p : pending) EXPECT_EQ(opened.count(p), 1u) << utf8FromUtf16(p);
    for (const std::u16string& p : opened) EXPECT_EQ(opened.count(p), 1u) << "listed twice: " << utf8FromUtf16(p);
    EXPECT_EQ(w.tree.pendingFolderCount, 0);
    EXPECT_EQ(w.tree.fileCount, complete.tree.fileCount);
    EXPECT_EQ(w.tree.folderCount, complete.tree.folderCount);
    EXPECT_EQ(logicalSize(w.tree, w.tree.rootIndex), logicalSize(complete.tree, complete.tree.rootIndex));
    EXPECT_EQ(entriesOfTree(w.tree), entriesOfTree(complete.tree));
    EXPECT_EQ(w.progress.done.load(), w.tree.fileCount + w.tree.folderCount);
  }
}

TEST(Walk, ContinueWithNothingPendingChangesNothing) {
  TempDir dir;
  writeSizedFile(dir.path + "/a/b.txt", 3);
  WalkedTree w(dir.path);
  int64_t nodes = w.tree.nodeCount;
  HookScope hook;
  continueWalk(w.tree, w.progress);
  EXPECT_EQ(w.tree.nodeCount, nodes);
  EXPECT_TRUE(gOpened.empty());
}

namespace {
// Walks `root` on a marked engine thread, as the scan driver does; its exit code.
uint32_t walkOnEngineThread(const std::string& root) {
  return startEngineThread([&root] {
    Tree tree;
    initTree(tree);
    ScanProgress progress;
    walkScan(tree, walkRootOf(root), progress);
    releaseTree(tree);
  });
}
}  // namespace

TEST(Walk, OutOfMemoryEndsTheEngineThreadAfterJoiningTheWalk) {
  TempDir dir;
  buildBranchyTree(dir.path);
  setTreeReservationLimitForTesting(64u << 10);
  std::string root = dir.path;
  uint32_t code = walkOnEngineThread(root);
  setTreeReservationLimitForTesting(0);
  EXPECT_EQ(code, kExitOutOfMemory);
  // The process goes on and walks normally.
  WalkedTree w(dir.path);
  EXPECT_GT(w.tree.fileCount, 500);
}

namespace {
// Ends the listing worker of folders named "starved" for lack of memory while the
// folder is open, between two of its listing calls.
int32_t starveWhileListing(std::u16string_view path, ListingStep step, int) {
  if (step == ListingStep::Read && endsWith(folderOf(path), kPathSeparator + std::u16string(u"starved")))
    failOutOfMemory();
  return 0;
}
}  // namespace

TEST(Walk, WorkerOutOfMemoryHalfwayLeavesNoFolderOpen) {
  TempDir dir;
  writeSizedFile(dir.path + "/starved/inside.txt", 10);
  writeSizedFile(dir.path + "/fed/inside.txt", 20);
  std::string root = dir.path;
  setListingFaultHook(starveWhileListing);
  uint32_t code = walkOnEngineThread(root);
  setListingFaultHook(nullptr);
  EXPECT_EQ(code, kExitOutOfMemory);
  EXPECT_FALSE(folderHeldOpen(dir.path + "/starved"));
}

TEST(Walk, WorkerCountStaysInItsRange) {
  TempDir dir;
  int n = workerThreadCount(walkRootOf(dir.path));
  EXPECT_GE(n, 2);
  EXPECT_LE(n, 16);
}
