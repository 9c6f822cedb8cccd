// CSV import on two threads: node for node the tree of the one-thread import, with
// batches of every size; stop and out of memory end both threads; the cached day
// offsets give the times parseCsvTime gives.
#include "engine/csv.h"
#include "base/utf.h"
#include "engine/csv_import_rows.h"
#include "tests/engine/csv_fixtures.h"
#include "tests/support/temp_dir.h"
#include <random>
#include <gtest/gtest.h>

using namespace csvtest;

namespace {

const std::string kHeader =
    "File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE";

// While alive: two threads from `twoThreadBytes` of rows on, `rowsPerBatch` records a batch.
struct Tuning {
  Tuning(size_t twoThreadBytes, size_t rowsPerBatch) { setCsvImportTuningForTesting(twoThreadBytes, rowsPerBatch); }
  ~Tuning() { setCsvImportTuningForTesting(0, 0); }
};

struct SmallReservations {
  explicit SmallReservations(uint64_t limit) { setTreeReservationLimitForTesting(limit); }
  ~SmallReservations() { setTreeReservationLimitForTesting(0); }
};

struct Result {
  TreeHolder holder;
  bool ok = false;
  int64_t done = 0;
};

void importBytes(Result& out, const std::string& text) {
  ScanProgress progress;
  out.ok = importCsv(out.holder.tree, reinterpret_cast<const uint8_t*>(text.data()), text.size(), progress);
  out.done = progress.done.load();
}

// The same nodes at the same indices: what a reader of the unfinalized tree sees.
void expectSameNodes(const Tree& a, const Tree& b, const std::string& what) {
  ASSERT_EQ(a.nodeCount, b.nodeCount) << what;
  EXPECT_EQ(a.rootPath, b.rootPath) << what;
  EXPECT_EQ(a.rootIndex, b.rootIndex) << what;
  for (int32_t i = 0; i < a.nodeCount; i++) {
    const TreeNode& x = a.node(i);
    const TreeNode& y = b.node(i);
    ASSERT_EQ(nodeName(a, i), nodeName(b, i)) << what << " node " << i;
    ASSERT_EQ(x.parent, y.parent) << what << " node " << i;
    ASSERT_EQ(x.flags, y.flags) << what << " node " << i;
    ASSERT_EQ(logicalSize(a, i), logicalSize(b, i)) << what << " node " << i;
    ASSERT_EQ(onDiskSize(a, i), onDiskSize(b, i)) << what << " node " << i;
    ASSERT_EQ(modifiedTime(a, i), modifiedTime(b, i)) << what << " node " << i;
    ASSERT_EQ(attributes(a, i), attributes(b, i)) << what << " node " << i;
  }
}

// A generated export-like file with the awkward rows mixed in: rows out of place,
// names cut at 255 units, non-ASCII and hostile bytes, lone dots, huge sizes.
std::string mixedFile(uint32_t seed, int rows) {
  std::mt19937 random(seed);
  std::string text = "\xEF\xBB\xBFMossbloom export \xC2\xB7 L \xC2\xB7 NTFS\r\n" + kHeader + "\r\n";
  text += "\"/m/\",0,0,2024/03/05 14:07:09,0,0,0,100,50,50,0\r\n";
  std::vector<std::string> folders{"/m/"};
  const char* stems[] = {"a", "B", "\xC3\xA9t\xC3\xA9", "\xF0\x9F\x98\x80", "x.y", "dot.", "\x80\xFF", "q\"\"q"};
  const char* times[] = {"2024/03/31 01:59:59", "2024/03/31 03:00:00", "2024/10/27 02:30:00", "2024-07-05T14:07:09",
                         "1999/12/31 23:59:59", "", "05/03/2024 14:07:09", "2024/03/0\xC3" "5 14:07:09",
                         "2023/02/29 00:00:00", "2024.3.5"};
  for (int i = 0; i < rows; i++) {
    std::string parent = folders[random() % folders.size()];
    std::string name = std::string(stems[random() % 8]) + std::to_string(i);
    if (random() % 50 == 0) name += std::string(300, 'n');
    switch (random() % 40) {
      case 0: parent = "/other/"; break;                        // outside the root
      case 1: parent += "missing/"; break;                      // parent row never came
      case 2: text += "garbage\r\n"; break;
      case 3: text += "\"" + parent + name + "\",1,2\r\n"; break;   // too few fields
      default: break;
    }
    bool folder = random() % 5 == 0;
    std::string size = random() % 100 == 0 ? "99999999999999999999" : std::to_string(random() % 100000);
    text += "\"" + parent + name + (folder ? "/" : "") + "\"," + size + "," + std::to_string(random() % 200000) +
            "," + times[random() % 10] + "," + std::to_string(random() % 64) + ",0,0\r\n";
    if (folder) folders.push_back(parent + name + "/");
  }
  return text;
}

}  // namespace

TEST(CsvImportThreads, BatchesOfEverySizeBuildTheOneThreadTree) {
  useFixedTimeZone();
  struct Input {
    const char* what;
    std::string text;
  };
  Input inputs[] = {
      {"mixed rows", mixedFile(7, 3000)},
      {"mixed rows, LF only, no final line end", [] {
         std::string t = mixedFile(8, 500);
         for (size_t at; (at = t.find("\r\n")) != std::string::npos;) t.replace(at, 2, "\n");
         t.pop_back();
         return t;
       }()},
      {"400 folders deep, 100 000-unit paths", [] {
         std::string t = kHeader + "\n\"/m/\",0,0,,0\n", prefix = "/m/";
         for (int i = 0; i < 400; i++) {
           prefix += std::string(249, char('a' + i % 26)) + "/";
           t += "\"" + prefix + "\",0,0,,16\n\"" + prefix + "f" + std::to_string(i) + "\",1,0,,32\n";
         }
         return t;
       }()},
      {"no row after the root", kHeader + "\n\"/m/\",0,0,,0\n"},
      {"only skipped rows", kHeader + "\n\"/m/\",0,0,,0\n\"/x/a\",1,0,,0\ngarbage\n\"/m/b/c\",1,0,,0\n"},
  };
  for (const Input& input : inputs) {
    Result serial;
    importBytes(serial, input.text);
    ASSERT_TRUE(serial.ok) << input.what;
    for (size_t rowsPerBatch : {size_t{1}, size_t{3}, size_t{64}, kCsvRowsPerBatch}) {
      Tuning twoThreads(1, rowsPerBatch);
      Result parallel;
      importBytes(parallel, input.text);
      std::string what = std::string(input.what) + ", batches of " + std::to_string(rowsPerBatch);
      EXPECT_TRUE(parallel.ok) << what;
      EXPECT_EQ(parallel.done, serial.done) << what;
      expectSameNodes(serial.holder.tree, parallel.holder.tree, what);
    }
  }
}

TEST(CsvImportThreads, ImportedTimesAreParseCsvTimes) {
  useFixedTimeZone();
  // Every second around the changes of offset, days apart and the same day twice.
  std::vector<std::string> times;
  for (const char* day : {"2024/03/30", "2024/03/31", "2024/04/01", "2024/10/26", "2024/10/27", "2024/10/28"}) {
    for (const char* clock : {"00:00:00", "00:59:59", "01:30:00", "01:59:59", "02:00:00", "02:30:00", "02:59:59",
                              "03:00:00", "12:00:00", "23:59:59"}) {
      times.push_back(std::string(day) + " " + clock);
    }
  }
  for (const char* other : {"2024-03-31T02:30:00", "1601/01/01 00:00:00", "9999/12/31 23:59:59",
                            "30827/12/31 23:59:59", "2024/03/05\xC3\xA9 14:07:09", "2024/03/0\xC3" "5 14:07:09",
                            "2024/03/05 14:07:0x", "2024/03/05 14:07:1", " 2024/03/05 14:07:09"}) {
    times.push_back(other);
  }
  std::string text = kHeader + "\n\"/t/\",0,0,,0\n";
  for (size_t i = 0; i < times.size(); i++) text += "\"/t/f" + std::to_string(i) + "\",1,0," + times[i] + ",0\n";
  for (bool two : {false, true}) {
    Tuning tuning(two ? 1 : SIZE_MAX, 5);
    Result result;
    importBytes(result, text);
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.holder.tree.nodeCount, static_cast<int64_t>(times.size()) + 1);
    for (size_t i = 0; i < times.size(); i++) {
      std::u16string decoded;
      appendUtf16FromLenientUtf8(reinterpret_cast<const uint8_t*>(times[i].data()), times[i].size(), decoded);
      EXPECT_EQ(modifiedTime(result.holder.tree, static_cast<int32_t>(i + 1)), parseCsvTime(decoded))
          << times[i] << (two ? " (two threads)" : "");
    }
  }
}

TEST(CsvImportThreads, StopAndOutOfMemoryEndBothThreads) {
  TempDir dir;
  std::string path = dir.path + "/many.csv";
  std::string text = kHeader + "\r\n\"/m/\",0,0,,0\r\n";
  for (int i = 0; i < 120000; i++) text += "\"/m/file number " + std::to_string(i) + ".txt\",1,4096,,32\r\n";
  writeTestFile(path, text);
  Tuning twoThreads(1, 64);
  {
    TreeHolder holder;
    ScanProgress progress;
    progress.cancel = 1;
    CsvImportResult result = importCsvFile(holder.tree, u16(path), progress);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure.reason, ImportFailureReason::Stopped);
    EXPECT_EQ(holder.tree.nodeCount, 0);
  }
  {
    // The node arena (24 bytes a node) runs out on the building thread long before the end.
    SmallReservations small(1u << 20);
    TreeHolder holder;
    ScanProgress progress;
    CsvImportResult result = importCsvFile(holder.tree, u16(path), progress);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure.reason, ImportFailureReason::OutOfMemory);
    EXPECT_EQ(holder.tree.nodeCount, 0);
  }
  TreeHolder holder;
  ScanProgress progress;
  ASSERT_TRUE(importCsvFile(holder.tree, u16(path), progress).ok);
  EXPECT_EQ(holder.tree.fileCount, 120000);
  EXPECT_EQ(logicalSize(holder.tree, holder.tree.rootIndex), 120000);
}
