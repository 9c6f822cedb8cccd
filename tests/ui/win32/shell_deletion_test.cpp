// Deleting for real through the Windows shell in a temporary folder: a scanned tree,
// marks, the review, the job on its own thread with ShellDeletionBackend, and the
// checks before each item (a file held open without delete sharing, a path that now
// leads elsewhere, an entry swapped after the check, the scanned root itself).
#include "ui/win32/recycle_bin.h"

#include "engine/cut_out.h"
#include "tests/engine/walk_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "ui/commands.h"
#include "ui/marking.h"
#include "ui/review.h"
#include "ui/review_text.h"
#include <windows.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

std::u16string errorText(uint32_t code) { return utf16FromUtf8("error " + std::to_string(code)); }

std::u16string windowsPath(const std::string& path) {
  std::u16string out = utf16FromUtf8(path);
  for (char16_t& c : out)
    if (c == u'/') c = u'\\';
  return out;
}

// Held open the way an editor holds a file: reading and writing shared, deleting not.
struct HeldFile {
  HANDLE handle;
  explicit HeldFile(const std::string& path)
      : handle(CreateFileW(reinterpret_cast<const wchar_t*>(windowsPath(path).c_str()), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() { release(); }
  void release() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
};

// root/
//   keep.txt, keep/inner.txt     never marked: must stay byte for byte
//   gone.txt, held.txt
//   folder/ a.txt, sub/b.txt
//   wasdir/ x.txt                 replaced by a file
class ShellDeletion : public UiTest {
 protected:
  TempDir temp;
  std::string root;
  std::unique_ptr<WalkedTree> walked;
  ViewState s;
  WindowLayout layout;

  void SetUp() override {
    UiTest::SetUp();
    root = temp.path + "/root";
    writeTestFile(root + "/keep.txt", "keep me");
    writeTestFile(root + "/keep/inner.txt", "keep me too");
    writeTestFile(root + "/gone.txt", std::string(100, 'g'));
    writeTestFile(root + "/held.txt", std::string(200, 'h'));
    writeTestFile(root + "/folder/a.txt", std::string(1000, 'a'));
    writeTestFile(root + "/folder/sub/b.txt", std::string(2000, 'b'));
    writeTestFile(root + "/wasdir/x.txt", std::string(400, 'x'));
    walked = std::make_unique<WalkedTree>(root);
    s = windowState(1280, 800);
    showTree(s, walked->tree);
    layout = layoutWindow(s, measure);
  }
  int32_t node(const char* relative) { return walked->find(utf16FromUtf8(relative)); }
  Outcome run(ElementId id) { return invokeElement(s, layout, {id, -1}); }

  // What the window does on StartDeletion and on the end message, with the job on
  // its own thread as in the program.
  void runJob() {
    DeletionJob job;
    prepareDeletionJob(s, job);
    ShellDeletionBackend backend;
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

TEST_F(ShellDeletion, MoveToRecycleBinThenRetryTheHeldFile) {
  const int32_t gone = node("gone.txt"), held = node("held.txt"), folder = node("folder");
  ASSERT_GE(gone, 0);
  ASSERT_GE(held, 0);
  ASSERT_GE(folder, 0);
  const int64_t rootBefore = logicalSize(walked->tree, walked->tree.rootIndex);
  HeldFile open(root + "/held.txt");
  ASSERT_NE(open.handle, INVALID_HANDLE_VALUE);
  Outcome out;
  markNodes(s, {gone, held, folder}, out);
  run(ElementId::MarksPill);
  ASSERT_TRUE(s.review.open);
  run(ElementId::ReviewMain);   // "Move to Recycle Bin"
  ASSERT_TRUE(s.review.deletionRunning);
  runJob();
  EXPECT_FALSE(exists(root + "/gone.txt"));
  EXPECT_FALSE(exists(root + "/folder"));
  EXPECT_EQ(contentsOf(root + "/held.txt"), std::string(200, 'h')) << "a file held open is not deleted";
  EXPECT_EQ(narrow(deletionErrorOf(s, held)), "error 32") << "the sharing violation";
  EXPECT_EQ(s.marks.set.nodes, std::vector<int32_t>{held});
  EXPECT_EQ(narrow(reviewCardText(s).text), "1 item could not be deleted. Point at it for the reason.");
  EXPECT_EQ(logicalSize(walked->tree, walked->tree.rootIndex), rootBefore - 100 - 3000);

  open.release();
  run(ElementId::ReviewMain);   // "Retry"
  runJob();
  EXPECT_FALSE(exists(root + "/held.txt"));
  EXPECT_FALSE(s.review.open) << "the last marks are gone";
  EXPECT_EQ(contentsOf(root + "/keep.txt"), "keep me");
  EXPECT_EQ(contentsOf(root + "/keep/inner.txt"), "keep me too");
  EXPECT_EQ(logicalSize(walked->tree, walked->tree.rootIndex), rootBefore - 100 - 200 - 3000);
}

TEST_F(ShellDeletion, PermanentDeletionAndAPathThatNowLeadsElsewhere) {
  const int32_t wasdir = node("wasdir"), gone = node("gone.txt");
  Outcome out;
  markNodes(s, {wasdir, gone}, out);
  run(ElementId::MarksPill);
  fs::remove_all(root + "/wasdir");
  writeTestFile(root + "/wasdir", "now a file");
  s.review.permanent = s.marks.set.nodes;   // straight to "Delete permanently"
  run(ElementId::ReviewMain);
  ASSERT_TRUE(s.review.deletionRunning);
  runJob();
  EXPECT_FALSE(exists(root + "/gone.txt"));
  EXPECT_EQ(contentsOf(root + "/wasdir"), "now a file");
  EXPECT_EQ(narrow(deletionErrorOf(s, wasdir)), "Not deleted: it was a folder in the scan and is now a file.");
}

TEST_F(ShellDeletion, TheShellReportsWhatItCouldNotDo) {
  // A path that is not there is a failure, never a success.
  EXPECT_NE(shellDeleteItem(windowsPath(root + "/missing.txt"), DeletionMode::Permanent, nullptr), 0u);
  EXPECT_NE(shellDeleteItem(windowsPath(root + "/missing.txt"), DeletionMode::RecycleBin, nullptr), 0u);
  EXPECT_EQ(shellDeleteItem(windowsPath(root + "/folder"), DeletionMode::Permanent, nullptr), 0u);
  EXPECT_FALSE(exists(root + "/folder"));
  EXPECT_TRUE(exists(root + "/keep/inner.txt"));
}

TEST_F(ShellDeletion, OpeningForDeletionComparesIdentity) {
  const std::u16string gone = windowsPath(root + "/gone.txt"), keep = windowsPath(root + "/keep.txt");
  PathFacts goneFacts = queryPathFacts(gone);
  ASSERT_EQ(goneFacts.error, 0u);
  EXPECT_EQ(openForDeletion(gone, goneFacts).result, kItemPending);
  // Another entry under the name the check saw.
  ItemOutcome swapped = openForDeletion(keep, goneFacts);
  if (goneFacts.identityKnown) {
    EXPECT_EQ(swapped.result, kItemFailed);
    EXPECT_EQ(swapped.change, ItemChange::ChangedWhileDeleting);
  }
  {
    HeldFile open(root + "/gone.txt");
    ItemOutcome held = openForDeletion(gone, goneFacts);
    EXPECT_EQ(held.result, kItemFailed);
    EXPECT_EQ(held.code, 32u);
  }
  EXPECT_EQ(openForDeletion(gone, goneFacts).result, kItemPending);
  EXPECT_EQ(contentsOf(root + "/gone.txt"), std::string(100, 'g')) << "opening deletes nothing";
}

TEST_F(ShellDeletion, TheScannedRootIsNeverDeleted) {
  DeletionJob job;
  fillDeletionJob(job, walked->tree, DeletionMode::Permanent, {walked->tree.rootIndex});
  ShellDeletionBackend backend;
  runDeletionJob(job, backend);
  EXPECT_EQ(job.outcomes[0].result, kItemFailed);
  EXPECT_EQ(contentsOf(root + "/keep.txt"), "keep me");
}

TEST_F(ShellDeletion, DrivesWithARecycleBin) {
  EXPECT_TRUE(driveHasRecycleBin(windowsPath(root + "/keep.txt")));
  EXPECT_TRUE(driveHasRecycleBin(u"C:\\"));
}

}  // namespace
