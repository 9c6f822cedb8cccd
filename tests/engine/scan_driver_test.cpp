// The scan driver on real folders: fallback from the fast scan, cancelling,
// out of memory, superseded results and continuing a stopped walk.
#include "engine/scan_driver.h"
#include "engine/csv.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

std::u16string scanPathOf(const std::string& utf8) {
  std::u16string path = utf16FromUtf8(utf8);
  for (char16_t& c : path) if (c == u'/') c = kPathSeparator;
  return path;
}

// 3 folders x 40 files, plus 2 files at the top.
struct Fixture {
  TempDir dir;
  std::u16string root;
  Fixture() {
    for (int f = 0; f < 3; f++)
      for (int i = 0; i < 40; i++)
        writeTestFile(dir.path + "/d" + std::to_string(f) + "/f" + std::to_string(i) + ".txt", std::string(i, 'x'));
    writeTestFile(dir.path + "/top.bin", "12345");
    writeTestFile(dir.path + "/empty", "");
    root = scanPathOf(dir.path);
  }
};

struct Receiver final : ScanReceiver {
  std::vector<uint32_t> generations;
  void scanDone(uint32_t generation) override { generations.push_back(generation); }
};

struct Scan {
  Receiver receiver;
  ScanHandOver handOver;
  Scan() { handOver.receiver = &receiver; }
  ~Scan() { freeTree(takeScanResult(handOver).tree); }
  // The tree of the last result, now the caller's.
  Tree* take() { return takeScanResult(handOver).tree; }
  void run(const std::u16string& root, bool fast, uint32_t generation) {
    Thread thread = startScanThread(new ScanRequest{root, generation, fast, &handOver});
    ASSERT_NE(thread.handle, nullptr);
    joinThread(thread);
  }
};

const std::set<MftFailure> kFastScanFailures = {MftFailure::NotLocalDrivePath, MftFailure::AdministratorRightsRequired,
                                               MftFailure::CannotOpenVolume, MftFailure::NotNtfsVolume};

}  // namespace

TEST(ScanDriver, WalkDeliversAnAggregatedTree) {
  Fixture fixture;
  Scan scan;
  scan.run(fixture.root, false, 7);
  EXPECT_EQ(scan.receiver.generations, std::vector<uint32_t>{7});
  Tree* tree = scan.take();
  ASSERT_NE(tree, nullptr);
  EXPECT_FALSE(scan.handOver.result.outOfMemory);
  EXPECT_EQ(scan.handOver.result.method, ScanMethod::Walk);
  EXPECT_EQ(scan.handOver.result.fallback, MftFailure::None);
  EXPECT_EQ(tree->fileCount, 122);
  EXPECT_EQ(tree->folderCount, 3);
  EXPECT_EQ(logicalSize(*tree, tree->rootIndex), 3 * (39 * 40 / 2) + 5);
  ASSERT_FALSE(tree->extensions.entries.empty());  // aggregation built the extension table
  EXPECT_EQ(tree->extensions.entries[0].extension, u"txt");
  EXPECT_GE(scan.handOver.result.scanMs, 0.0);
  EXPECT_GE(scan.handOver.result.aggregateMs, 0.0);
  freeTree(tree);
}

TEST(ScanDriver, ImportDeliversLikeAScanAndAFailedOneDeliversNoTree) {
  Fixture fixture;
  Scan scan;
  scan.run(fixture.root, false, 1);
  Tree* scanned = scan.take();
  ASSERT_NE(scanned, nullptr);
  std::u16string csv = scanPathOf(fixture.dir.path + "/import-driver.csv");   // after the scan: not in it
  ScanProgress exportProgress;
  ExportFailure failure;
  ASSERT_TRUE(exportCsv(*scanned, csv, exportProgress, failure)) << int(failure.reason);

  struct Case {
    std::u16string path;
    bool delivers;
  };
  const Case cases[] = {{csv, true}, {csv + u"-missing", false}, {fixture.root + kPathSeparator + u"top.bin", false}};
  uint32_t generation = 10;
  for (const Case& c : cases) {
    scan.handOver.result.outOfMemory = true;   // the import must set every field itself
    Thread thread = startImportThread(new ImportRequest{c.path, ++generation, &scan.handOver});
    ASSERT_NE(thread.handle, nullptr);
    joinThread(thread);
    EXPECT_EQ(scan.receiver.generations.back(), generation);
    EXPECT_FALSE(scan.handOver.result.outOfMemory);
    EXPECT_EQ(scan.handOver.result.method, ScanMethod::Walk);
    EXPECT_EQ(scan.handOver.result.fallback, MftFailure::None);
    Tree* imported = scan.take();
    ASSERT_EQ(imported != nullptr, c.delivers) << utf8FromUtf16(c.path);
    if (!imported) continue;
    EXPECT_EQ(imported->fileCount, scanned->fileCount);
    EXPECT_EQ(imported->folderCount, scanned->folderCount);
    EXPECT_EQ(logicalSize(*imported, imported->rootIndex), logicalSize(*scanned, scanned->rootIndex));
    ASSERT_FALSE(imported->extensions.entries.empty());   // aggregated like a scan
    EXPECT_EQ(imported->extensions.entries[0].extension, u"txt");
    EXPECT_EQ(imported->extensions.entries[0].fileCount, scanned->extensions.entries[0].fileCount);
    freeTree(imported);
  }
  freeTree(scanned);
}

TEST(ScanDriver, FastScanOfAPlainFolderFallsBackToTheWalkWithANotice) {
  Fixture fixture;
  Scan scan;
  scan.handOver.mftScanInUse = 1;
  scan.run(fixture.root, true, 1);
  MftFailure reason = scan.handOver.result.fallback;
  EXPECT_TRUE(kFastScanFailures.count(reason)) << int(reason);
  EXPECT_EQ(scan.handOver.result.method, ScanMethod::Walk);
  EXPECT_EQ(scan.handOver.mftScanInUse.load(), 0);
  Tree* tree = scan.take();
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->fileCount, 122);  // the walk's tree, nothing left from the fast scan
  freeTree(tree);
}

TEST(ScanDriver, CancelledFastScanDeliversNoTreeAndNoOutOfMemory) {
  Fixture fixture;
  Scan scan;
  scan.handOver.progress.cancel = 1;
  scan.run(fixture.root, true, 3);
  EXPECT_EQ(scan.receiver.generations, std::vector<uint32_t>{3});
  EXPECT_EQ(scan.take(), nullptr);
  EXPECT_FALSE(scan.handOver.result.outOfMemory);
}

TEST(ScanDriver, OutOfMemoryDeliversNoTreeAndTheFlag) {
  Fixture fixture;
  setTreeReservationLimitForTesting(64u << 10);
  Scan scan;
  scan.run(fixture.root, false, 9);
  setTreeReservationLimitForTesting(0);
  EXPECT_TRUE(scan.handOver.result.outOfMemory);
  EXPECT_EQ(scan.take(), nullptr);
  EXPECT_EQ(scan.receiver.generations, std::vector<uint32_t>{9});
}

TEST(ScanDriver, ANewResultReleasesTheOneNeverTakenOver) {
  // Under the sanitizers a tree that is dropped instead of released shows as a leak.
  Fixture fixture;
  Scan scan;
  scan.run(fixture.root, false, 1);
  writeTestFile(fixture.dir.path + "/later.txt", "abc");
  scan.run(fixture.root, false, 2);
  Tree* tree = scan.take();
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->fileCount, 123);
  freeTree(tree);
}

TEST(ScanDriver, StoppedWalkContinuesToTheCompleteTree) {
  Fixture fixture;
  Scan complete;
  complete.run(fixture.root, false, 1);
  Tree* full = complete.take();
  ASSERT_NE(full, nullptr);

  Scan scan;
  scan.handOver.progress.cancel = 1;  // stops after the root folder
  scan.run(fixture.root, false, 1);
  Tree* partial = scan.take();
  ASSERT_NE(partial, nullptr);  // a stopped walk still delivers what it read
  EXPECT_EQ(partial->pendingFolderCount, 3);
  EXPECT_LT(partial->fileCount, full->fileCount);

  scan.handOver.progress.cancel = 0;
  Thread thread = startContinueThread(new ContinueRequest{partial, MftFailure::NotNtfsVolume, 2, &scan.handOver});
  joinThread(thread);
  Tree* continued = scan.take();
  ASSERT_NE(continued, nullptr);
  EXPECT_EQ(scan.handOver.result.fallback, MftFailure::NotNtfsVolume);
  EXPECT_EQ(continued->pendingFolderCount, 0);
  EXPECT_EQ(continued->fileCount, full->fileCount);
  EXPECT_EQ(continued->folderCount, full->folderCount);
  EXPECT_EQ(logicalSize(*continued, continued->rootIndex), logicalSize(*full, full->rootIndex));
  freeTree(continued);
  freeTree(full);
}

TEST(ScanDriver, ExportScanWalksWhenTheFastScanIsNotAllowed) {
  Fixture fixture;
  Tree tree;
  initTree(tree);
  ScanProgress progress;
  MftFailure failure = MftFailure::None;
  EXPECT_TRUE(scanForExport(tree, fixture.root, true, true, progress, failure));
  EXPECT_EQ(failure, MftFailure::None);  // disabled by policy: not even tried
  EXPECT_EQ(tree.fileCount, 122);
  EXPECT_TRUE(tree.extensions.entries.empty());
  // Tried and failed (no NTFS volume behind the fixture): the folder is walked.
  EXPECT_TRUE(scanForExport(tree, fixture.root, true, false, progress, failure));
  EXPECT_EQ(tree.fileCount, 122);
  releaseTree(tree);
}

// A fast scan that fails on something that is no folder (natively an image file)
// has nothing to fall back to: walking it would list the file itself as the scan.
TEST(ScanDriver, ExportScanOfAFileFailsWithTheFastScanError) {
  if (!isAdministrator()) GTEST_SKIP() << "the export tries the fast scan only as administrator";
  Fixture fixture;
  std::u16string file = fixture.root + kPathSeparator + u"not-ntfs.img";
  writeTestFile(utf8FromUtf16(file), std::string(1 << 20, '\0'));
  Tree tree;
  initTree(tree);
  ScanProgress progress;
  MftFailure failure = MftFailure::None;
  EXPECT_FALSE(scanForExport(tree, file, true, false, progress, failure));
  EXPECT_NE(failure, MftFailure::None);
  EXPECT_EQ(tree.nodeCount, 0);
  // Without the fast scan the walk runs, and the caller sees what it found.
  EXPECT_TRUE(scanForExport(tree, file, false, false, progress, failure));
  releaseTree(tree);
}
