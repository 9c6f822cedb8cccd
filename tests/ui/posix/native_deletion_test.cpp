// Deleting for real in a temporary folder: a scanned tree, marks, the review, the job
// on its own thread, and the check that keeps a path that now leads elsewhere alive.
#include "ui/posix/native_deletion.h"

#include "engine/cut_out.h"
#include "tests/engine/walk_fixture.h"
#include "ui/commands.h"
#include "ui/marking.h"
#include "ui/review.h"
#include "ui/review_text.h"
#include "tests/ui/ui_fixture.h"
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::u16string errorText(uint32_t code) { return utf16FromUtf8("errno " + std::to_string(code)); }

// root/
//   keep.txt, keep/inner.txt            never marked: must stay byte for byte
//   gone.txt
//   folder/ a.txt, sub/b.txt, out -> outside (a link inside a deleted folder)
//   swapped.txt                          replaced by a link to `outside` before the deletion
//   wasdir/ x.txt                        replaced by a file
//   via/ inner.txt                       replaced by a link to `elsewhere`
// outside/ precious.txt, elsewhere/ inner.txt: beside the root, never deleted
class NativeDeletion : public UiTest {
 protected:
  TempDir temp;
  std::string root, outside, elsewhere;
  std::unique_ptr<WalkedTree> walked;
  ViewState s;
  WindowLayout layout;

  void SetUp() override {
    UiTest::SetUp();
    root = temp.path + "/root";
    outside = temp.path + "/outside";
    elsewhere = temp.path + "/elsewhere";
    writeTestFile(root + "/keep.txt", "keep me");
    writeTestFile(root + "/keep/inner.txt", "keep me too");
    writeTestFile(root + "/gone.txt", std::string(100, 'g'));
    writeTestFile(root + "/folder/a.txt", std::string(1000, 'a'));
    writeTestFile(root + "/folder/sub/b.txt", std::string(2000, 'b'));
    writeTestFile(root + "/swapped.txt", std::string(300, 's'));
    writeTestFile(root + "/wasdir/x.txt", std::string(400, 'x'));
    writeTestFile(root + "/via/inner.txt", std::string(500, 'v'));
    writeTestFile(outside + "/precious.txt", "precious");
    writeTestFile(elsewhere + "/inner.txt", "elsewhere");
    ASSERT_EQ(symlink(outside.c_str(), (root + "/folder/out").c_str()), 0);
    walked = std::make_unique<WalkedTree>(root);
    s = windowState(1280, 800);
    showTree(s, walked->tree);
    layout = layoutWindow(s, measure);
  }
  int32_t node(const char* relative) { return walked->find(utf16FromUtf8(relative)); }
  Outcome run(ElementId id) { return invokeElement(s, layout, {id, -1}); }

  // What the window does on StartDeletion and on the finishing message, with the job
  // on its own thread as in the program.
  void runJob() {
    DeletionJob job;
    prepareDeletionJob(s, job);
    NativeDeletionBackend backend;
    std::atomic<int64_t> ends{0};
    backend.context = &ends;
    backend.onProgress = [](void* context, bool finished) {
      if (finished) static_cast<std::atomic<int64_t>*>(context)->fetch_add(1);
    };
    std::thread thread([&] { runDeletionJob(job, backend); });
    thread.join();
    EXPECT_EQ(ends.load(), 1);
    deletionProgressed(s, job.progress.load());
    Outcome out;
    finishDeletion(s, job, errorText, out);
  }
};

TEST_F(NativeDeletion, MarkReviewAndDeletePermanently) {
  const int32_t gone = node("gone.txt"), folder = node("folder"), keep = node("keep");
  ASSERT_GE(gone, 0);
  ASSERT_GE(folder, 0);
  const int64_t rootBefore = logicalSize(walked->tree, walked->tree.rootIndex);
  const int64_t folderBefore = logicalSize(walked->tree, folder);
  ASSERT_EQ(folderBefore, 1000 + 2000 + logicalSize(walked->tree, node("folder/out")));
  Outcome out;
  markNodes(s, {gone, folder}, out);
  run(ElementId::MarksPill);
  ASSERT_TRUE(s.review.open);
  run(ElementId::ReviewMain);   // "Move to Recycle Bin"
  ASSERT_TRUE(s.review.deletionRunning);
  runJob();
  // No Recycle Bin here: nothing is touched until the permanent question is answered.
  EXPECT_TRUE(exists(root + "/gone.txt"));
  EXPECT_TRUE(exists(root + "/folder/a.txt"));
  EXPECT_EQ(s.review.permanent, (std::vector<int32_t>{gone, folder}));
  EXPECT_EQ(narrow(reviewCardText(s).mainButton), "Delete permanently");

  run(ElementId::ReviewMain);   // "Delete permanently"
  runJob();
  EXPECT_FALSE(exists(root + "/gone.txt"));
  EXPECT_FALSE(exists(root + "/folder"));
  EXPECT_EQ(contentsOf(root + "/keep.txt"), "keep me");
  EXPECT_EQ(contentsOf(root + "/keep/inner.txt"), "keep me too");
  EXPECT_EQ(contentsOf(outside + "/precious.txt"), "precious") << "the link inside was removed, not followed";
  // The tree follows: the review is closed, sizes are smaller by what went.
  EXPECT_FALSE(s.review.open);
  EXPECT_TRUE(s.marks.set.nodes.empty());
  EXPECT_FALSE(isAttached(walked->tree, folder));
  EXPECT_TRUE(isAttached(walked->tree, keep));
  EXPECT_EQ(logicalSize(walked->tree, walked->tree.rootIndex), rootBefore - 100 - folderBefore);
  EXPECT_EQ(entriesOfTree(walked->tree).count(u"folder"), 0u);
}

TEST_F(NativeDeletion, APathThatNowLeadsElsewhereIsNotDeleted) {
  const int32_t swapped = node("swapped.txt"), wasdir = node("wasdir"), viaInner = node("via/inner.txt"),
                gone = node("gone.txt");
  Outcome out;
  markNodes(s, {swapped, wasdir, viaInner, gone}, out);
  run(ElementId::MarksPill);
  // Between the scan and the deletion the disk changes under the marks.
  fs::remove(root + "/swapped.txt");
  ASSERT_EQ(symlink(outside.c_str(), (root + "/swapped.txt").c_str()), 0);
  fs::remove_all(root + "/wasdir");
  writeTestFile(root + "/wasdir", "now a file");
  fs::remove_all(root + "/via");
  ASSERT_EQ(symlink(elsewhere.c_str(), (root + "/via").c_str()), 0);
  s.review.permanent = s.marks.set.nodes;   // straight to the permanent deletion
  run(ElementId::ReviewMain);
  ASSERT_TRUE(s.review.deletionRunning);
  runJob();

  EXPECT_FALSE(exists(root + "/gone.txt")) << "the unchanged item goes";
  EXPECT_TRUE(fs::is_symlink(root + "/swapped.txt"));
  EXPECT_EQ(contentsOf(outside + "/precious.txt"), "precious");
  EXPECT_EQ(contentsOf(root + "/wasdir"), "now a file");
  EXPECT_EQ(contentsOf(elsewhere + "/inner.txt"), "elsewhere");
  ASSERT_EQ(s.review.failures.size(), 3u);
  auto reasonOf = [&](int32_t n) { return narrow(deletionErrorOf(s, n)); };
  EXPECT_EQ(reasonOf(swapped),
            "Not deleted: since the scan it has been replaced by a link, junction or mount point that leads somewhere else.");
  EXPECT_EQ(reasonOf(wasdir), "Not deleted: it was a folder in the scan and is now a file.");
  EXPECT_EQ(reasonOf(viaInner), "Not deleted: a folder on its path is no longer the folder that was scanned.");
  EXPECT_EQ(s.marks.set.nodes, (std::vector<int32_t>{swapped, wasdir, viaInner})) << "failures stay marked";
  EXPECT_EQ(narrow(reviewCardText(s).text), "3 items could not be deleted. Point at them for the reason.");
}

TEST_F(NativeDeletion, AnItemGoneBeforeItsTurnFailsAndRetryFinishes) {
  const int32_t gone = node("gone.txt"), a = node("folder/a.txt");
  Outcome out;
  markNodes(s, {gone, a}, out);
  run(ElementId::MarksPill);
  fs::remove(root + "/gone.txt");
  s.review.permanent = s.marks.set.nodes;
  run(ElementId::ReviewMain);
  runJob();
  EXPECT_FALSE(exists(root + "/folder/a.txt"));
  EXPECT_EQ(narrow(deletionErrorOf(s, gone)), "errno " + std::to_string(ENOENT));
  // It is back (with other contents): Retry, then the permanent question again.
  writeTestFile(root + "/gone.txt", "back");
  run(ElementId::ReviewMain);
  runJob();
  ASSERT_EQ(s.review.permanent, std::vector<int32_t>{gone});
  run(ElementId::ReviewMain);
  runJob();
  EXPECT_FALSE(exists(root + "/gone.txt"));
  EXPECT_FALSE(s.review.open);
}

TEST_F(NativeDeletion, AnEntrySwappedAfterTheCheckIsLeftAlone) {
  DeletionJob job;
  fillDeletionJob(job, walked->tree, DeletionMode::Permanent, {node("gone.txt"), node("folder")});
  NativeDeletionBackend backend;
  PathFacts checkedFile, checkedFolder;
  ASSERT_EQ(checkItem(job, 0, backend, checkedFile).result, kItemPending);
  ASSERT_EQ(checkItem(job, 1, backend, checkedFolder).result, kItemPending);
  // Other entries take the same names between the check and the removal.
  // (the old file moved away keeps its inode, which a new file would otherwise reuse)
  fs::rename(root + "/gone.txt", temp.path + "/gone-moved.txt");
  writeTestFile(root + "/gone.txt", "a different file");
  fs::rename(root + "/folder", temp.path + "/folder-moved");
  writeTestFile(root + "/folder/new.txt", "new");
  EXPECT_EQ(backend.remove(job, 0, checkedFile).change, ItemChange::ChangedWhileDeleting);
  EXPECT_EQ(backend.remove(job, 1, checkedFolder).change, ItemChange::ChangedWhileDeleting);
  EXPECT_EQ(contentsOf(root + "/gone.txt"), "a different file");
  EXPECT_EQ(contentsOf(root + "/folder/new.txt"), "new");
  EXPECT_TRUE(exists(temp.path + "/folder-moved/sub/b.txt"));
  // Asked again, they are what is there now and go.
  ASSERT_EQ(checkItem(job, 0, backend, checkedFile).result, kItemPending);
  EXPECT_EQ(backend.remove(job, 0, checkedFile).result, kItemDeleted);
  EXPECT_FALSE(exists(root + "/gone.txt"));
}

TEST_F(NativeDeletion, PathFactsOfRealEntries) {
  ASSERT_EQ(symlink((root + "/missing").c_str(), (root + "/dangling").c_str()), 0);
  struct Case {
    std::string path;
    uint32_t error;
    bool folder, link;
  } cases[] = {
      {root + "/keep.txt", 0, false, false},
      {root + "/keep", 0, true, false},
      {root + "/folder/out", 0, false, true},   // a link to a folder is looked at itself
      {root + "/dangling", 0, false, true},
      {root + "/nothing", ENOENT, false, false},
      {root + "/keep.txt/below", ENOTDIR, false, false},
  };
  for (const Case& c : cases) {
    PathFacts f = queryPathFacts(utf16FromUtf8(c.path));
    EXPECT_EQ(f.error, c.error) << c.path;
    EXPECT_EQ(f.folder, c.folder) << c.path;
    EXPECT_EQ(f.link, c.link) << c.path;
    EXPECT_EQ(f.identityKnown, c.error == 0) << c.path;
  }
  struct stat st;
  ASSERT_EQ(lstat((root + "/keep.txt").c_str(), &st), 0);
  PathFacts f = queryPathFacts(utf16FromUtf8(root + "/keep.txt"));
  EXPECT_EQ(f.fileId, static_cast<uint64_t>(st.st_ino));
  EXPECT_EQ(f.volume, static_cast<uint64_t>(st.st_dev));
}

}  // namespace
