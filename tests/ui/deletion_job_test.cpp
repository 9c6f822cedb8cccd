#include "ui/deletion_job.h"

#include "tests/engine/test_tree.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

// --- The check, from tables --------------------------------------------------------------
PathFacts facts(bool folder, bool link) {
  PathFacts f;
  f.folder = folder;
  f.link = link;
  return f;
}

TEST(DeletionCheck, ItemNowAgainstItemScanned) {
  struct Case {
    const char* what;
    ScannedEntry scanned;
    PathFacts now;
    ItemChange expected;
  } cases[] = {
      {"a file still a file", {false, false}, facts(false, false), ItemChange::None},
      {"a folder still a folder", {true, false}, facts(true, false), ItemChange::None},
      {"a file replaced by a link", {false, false}, facts(false, true), ItemChange::BecameLink},
      {"a file replaced by a junction (a folder link)", {false, false}, facts(true, true), ItemChange::BecameLink},
      {"a folder replaced by a junction", {true, false}, facts(true, true), ItemChange::BecameLink},
      {"a folder replaced by a file link", {true, false}, facts(false, true), ItemChange::BecameLink},
      {"a folder replaced by a file", {true, false}, facts(false, false), ItemChange::FolderBecameFile},
      {"a file replaced by a folder", {false, false}, facts(true, false), ItemChange::FileBecameFolder},
      {"a link still a link", {false, true}, facts(false, true), ItemChange::None},
      {"a junction still a junction", {true, true}, facts(true, true), ItemChange::None},
      {"a link replaced by a real folder", {true, true}, facts(true, false), ItemChange::LinkReplaced},
      {"a link replaced by a real file", {false, true}, facts(false, false), ItemChange::LinkReplaced},
  };
  for (const Case& c : cases) EXPECT_EQ(compareWithScan(c.scanned, c.now), c.expected) << c.what;
  EXPECT_EQ(compareFolderOnPath(facts(true, false)), ItemChange::None);
  EXPECT_EQ(compareFolderOnPath(facts(true, true)), ItemChange::FolderOnPath) << "a junction on the way";
  EXPECT_EQ(compareFolderOnPath(facts(false, false)), ItemChange::FolderOnPath) << "a file on the way";
  EXPECT_EQ(compareFolderOnPath(facts(false, true)), ItemChange::FolderOnPath);
}

TEST(DeletionCheck, FoldersOnThePathBelowTheRoot) {
  using Views = std::vector<std::u16string_view>;
  struct Case {
    std::u16string_view root, path;
    Views expected;
  } cases[] = {
      {u"C:\\", u"C:\\a.txt", {}},
      {u"C:\\", u"C:\\x\\y\\a.txt", {u"C:\\x", u"C:\\x\\y"}},
      {u"C:\\scan", u"C:\\scan\\x\\a.txt", {u"C:\\scan\\x"}},
      {u"C:\\scan", u"C:\\scan\\a.txt", {}},
      {u"/", u"/x/y/z", {u"/x", u"/x/y"}},
      {u"/home/u", u"/home/u/d/e/f", {u"/home/u/d", u"/home/u/d/e"}},
      {u"/home/u", u"/home/other/f", {}},   // not below the root: nothing to walk
      {u"/home/u", u"/home/u", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(foldersOnPath(c.root, c.path), c.expected) << std::string(c.path.begin(), c.path.end());
}

TEST(DeletionCodes, ShellResultsBecomeWindowsErrors) {
  struct Case {
    uint32_t hresult, expected;
  } cases[] = {
      {0x80070005u, 5},     {0x80070020u, 32},    {0x800704C7u, 1223},  {0x80270000u, 1223}, {0x80270001u, 1223},
      {0x80270002u, 740},   {0x8027001Du, 206},   {0x8027001Eu, 206},   {0x80270038u, 206},  {0x80270021u, 5},
      {0x80270022u, 5},     {0x80270023u, 3},     {0x80270024u, 3},     {0x80270027u, 32},   {0x80270028u, 32},
      {0x80270032u, 112},   {0x80270033u, 112},   {0x80270099u, 0x80270099u}, {0x80004001u, 0x80004001u},
  };
  for (const Case& c : cases) EXPECT_EQ(windowsCodeOfHresult(c.hresult), c.expected) << std::hex << c.hresult;
  EXPECT_EQ(windowsCodeOfShellResult(0, false), 0u);
  EXPECT_EQ(windowsCodeOfShellResult(0, true), 1223u) << "an aborted operation is a cancelled one";
  EXPECT_EQ(windowsCodeOfShellResult(0x75, false), 1223u);
  EXPECT_EQ(windowsCodeOfShellResult(0x78, false), 5u);
  EXPECT_EQ(windowsCodeOfShellResult(0x7C, false), 3u);
  EXPECT_EQ(windowsCodeOfShellResult(32, false), 32u) << "Windows errors pass through";
}

// --- The loop, with a backend that answers from a table ------------------------------------
// C:\scan with a\ (one.txt, two.txt), b.txt, c\ (d.txt).
struct JobTree {
  TestTree t;
  int32_t root, a, one, two, b, c, d;
  JobTree() {
    root = t.root(u"C:\\scan");
    a = t.folder(root, u"a");
    one = t.file(a, u"one.txt", 10);
    two = t.file(a, u"two.txt", 20);
    b = t.file(root, u"b.txt", 30);
    c = t.folder(root, u"c");
    d = t.file(c, u"d.txt", 40);
    finalizeTree(t.tree);
  }
};

class TableBackend : public DeletionBackend {
 public:
  std::map<std::u16string, PathFacts> disk;   // what is there now
  std::vector<std::u16string> asked, removed;
  bool recycleBin = true;
  uint32_t removeError = 0;
  int64_t progressReports = 0, endReports = 0;
  DeletionJob* job = nullptr;
  int64_t cancelAfter = -1;   // set the job's cancel flag after this many items
  std::vector<int64_t> progressSeen;

  PathFacts query(std::u16string_view path) override {
    asked.emplace_back(path);
    auto it = disk.find(std::u16string(path));
    if (it == disk.end()) {
      PathFacts missing;
      missing.error = 2;
      return missing;
    }
    return it->second;
  }
  bool hasRecycleBin(std::u16string_view) override { return recycleBin; }
  ItemOutcome remove(const DeletionJob& j, size_t index, const PathFacts&) override {
    if (removeError) return {kItemFailed, removeError, ItemChange::None};
    removed.push_back(j.paths[index]);
    return {kItemDeleted, 0, ItemChange::None};
  }
  void progressed(bool finished) override {
    if (finished) {
      endReports++;
      return;
    }
    progressReports++;
    progressSeen.push_back(job->progress.load());
    if (cancelAfter >= 0 && progressReports >= cancelAfter) job->cancel.store(1);
  }
};

class DeletionLoop : public ::testing::Test {
 protected:
  JobTree tree;
  TableBackend backend;
  DeletionJob job;
  void SetUp() override {
    backend.job = &job;
    // The disk as scanned.
    backend.disk[u"C:\\scan\\a"] = facts(true, false);
    backend.disk[u"C:\\scan\\a\\one.txt"] = facts(false, false);
    backend.disk[u"C:\\scan\\a\\two.txt"] = facts(false, false);
    backend.disk[u"C:\\scan\\b.txt"] = facts(false, false);
    backend.disk[u"C:\\scan\\c"] = facts(true, false);
    backend.disk[u"C:\\scan\\c\\d.txt"] = facts(false, false);
  }
  void run(DeletionMode mode, const std::vector<int32_t>& nodes) {
    fillDeletionJob(job, tree.t.tree, mode, nodes);
    runDeletionJob(job, backend);
  }
};

TEST_F(DeletionLoop, FillsPathsAndWhatTheScanSaw) {
  setTimeAndAttributes(tree.t.tree, tree.b, 0, kAttributeReparsePoint);
  fillDeletionJob(job, tree.t.tree, DeletionMode::Permanent, {tree.one, tree.c, tree.b});
  EXPECT_EQ(job.rootPath, u"C:\\scan");
  EXPECT_EQ(job.paths, (std::vector<std::u16string>{u"C:\\scan\\a\\one.txt", u"C:\\scan\\c", u"C:\\scan\\b.txt"}));
  EXPECT_FALSE(job.scanned[0].folder);
  EXPECT_TRUE(job.scanned[1].folder);
  EXPECT_TRUE(job.scanned[2].link);
  EXPECT_EQ(job.outcomes.size(), 3u);
  EXPECT_EQ(job.outcomes[0].result, kItemPending);
}

TEST_F(DeletionLoop, EveryItemIsCheckedThenRemovedAndCounted) {
  run(DeletionMode::Permanent, {tree.one, tree.c, tree.b});
  EXPECT_EQ(backend.removed, (std::vector<std::u16string>{u"C:\\scan\\a\\one.txt", u"C:\\scan\\c", u"C:\\scan\\b.txt"}));
  // The folder on the way is asked before the item.
  EXPECT_EQ(backend.asked[0], u"C:\\scan\\a");
  EXPECT_EQ(backend.asked[1], u"C:\\scan\\a\\one.txt");
  for (const ItemOutcome& o : job.outcomes) EXPECT_EQ(o.result, kItemDeleted);
  EXPECT_EQ(job.progress.load(), 3);
  EXPECT_EQ(backend.progressSeen, (std::vector<int64_t>{1, 2, 3})) << "progress is stored before it is reported";
  EXPECT_EQ(backend.endReports, 1);
  EXPECT_EQ(deletedNodes(job), (std::vector<int32_t>{tree.one, tree.c, tree.b}));
}

TEST_F(DeletionLoop, WhatChangedOnDiskIsNotRemoved) {
  backend.disk[u"C:\\scan\\b.txt"] = facts(true, true);      // now a junction elsewhere
  backend.disk[u"C:\\scan\\c"] = facts(false, false);        // the folder is a file now
  backend.disk[u"C:\\scan\\a"] = facts(true, true);          // a junction on one.txt's way
  backend.disk.erase(u"C:\\scan\\c\\d.txt");
  run(DeletionMode::Permanent, {tree.b, tree.c, tree.one});
  EXPECT_TRUE(backend.removed.empty());
  EXPECT_EQ(job.outcomes[0].result, kItemFailed);
  EXPECT_EQ(job.outcomes[0].change, ItemChange::BecameLink);
  EXPECT_EQ(job.outcomes[1].change, ItemChange::FolderBecameFile);
  EXPECT_EQ(job.outcomes[2].change, ItemChange::FolderOnPath);
  for (const ItemOutcome& o : job.outcomes) EXPECT_EQ(o.code, 0u) << "a change is no system error";
  EXPECT_EQ(job.progress.load(), 3) << "failures never stop the job";
  EXPECT_TRUE(deletedNodes(job).empty());
}

TEST_F(DeletionLoop, AnItemGoneMeanwhileFailsWithTheSystemsCode) {
  backend.disk.erase(u"C:\\scan\\b.txt");
  backend.removeError = 32;
  run(DeletionMode::RecycleBin, {tree.b, tree.two});
  EXPECT_EQ(job.outcomes[0].result, kItemFailed);
  EXPECT_EQ(job.outcomes[0].code, 2u);
  EXPECT_EQ(job.outcomes[1].result, kItemFailed);
  EXPECT_EQ(job.outcomes[1].code, 32u) << "the removal's own failure";
}

TEST_F(DeletionLoop, WithoutARecycleBinNothingIsDoneUntilAsked) {
  backend.recycleBin = false;
  backend.disk[u"C:\\scan\\c"] = facts(true, true);
  run(DeletionMode::RecycleBin, {tree.b, tree.c});
  EXPECT_TRUE(backend.removed.empty());
  EXPECT_EQ(job.outcomes[0].result, kItemNoRecycleBin);
  EXPECT_EQ(job.outcomes[1].result, kItemFailed) << "the check comes first, even then";
  run(DeletionMode::Permanent, {tree.b});
  EXPECT_EQ(backend.removed, std::vector<std::u16string>{u"C:\\scan\\b.txt"}) << "permanently, the bin is not asked";
}

TEST_F(DeletionLoop, CancelStopsBeforeTheNextItem) {
  backend.cancelAfter = 1;
  run(DeletionMode::Permanent, {tree.b, tree.one, tree.d});
  EXPECT_EQ(job.outcomes[0].result, kItemDeleted);
  EXPECT_EQ(job.outcomes[1].result, kItemPending);
  EXPECT_EQ(job.outcomes[2].result, kItemPending);
  EXPECT_EQ(job.progress.load(), 1);
  EXPECT_EQ(backend.endReports, 1) << "the end is reported after a cancel too";
}

}  // namespace
