// CSV import: round trips through the export, files from other writers, the
// header rules, rows out of order, and hostile bytes.
#include "engine/csv.h"
#include "app/failure_text.h"
#include "base/utf.h"
#include "tests/engine/csv_fixtures.h"
#include "tests/support/temp_dir.h"
#include <random>
#include <set>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace csvtest;

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader =
    "File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE";

struct Imported {
  TreeHolder holder;
  bool ok = false;
  Tree& tree() { return holder.tree; }
};

void importText(Imported& out, const std::string& text) {
  ScanProgress progress;
  out.ok = importCsv(out.tree(), reinterpret_cast<const uint8_t*>(text.data()), text.size(), progress);
  if (out.ok) finalizeTree(out.tree());
}

// Paths (relative to the root, `/`-separated) of every node, for compact expectations.
std::string listing(const Tree& tree) {
  std::string out;
  for (const auto& [path, facts] : snapshot(tree)) {
    out += (path.empty() ? "<root>" : path) + (facts.folder ? "/" : "") + "=" + std::to_string(facts.size) + ";";
  }
  return out;
}

void buildTree(Tree& tree, uint32_t seed, int nodes) {
  std::mt19937 random(seed);
  tree.rootPath = testRoot();
  tree.rootIndex = add(tree, kNoNode, tree.rootPath, 0, 0, true, utcFiletime(2020, 1, 1, 0, 0, 0), 0x10);
  std::vector<int32_t> folders{tree.rootIndex};
  const char16_t* stems[] = {u"a", u"B", u"README", u"x.y.z", u"\u00E9t\u00E9", u"\U0001F600", u".hidden", u"tab\tname"};
  for (int i = 0; i < nodes; i++) {
    int32_t parent = folders[random() % folders.size()];
    bool folder = random() % 4 == 0;
    std::u16string name = stems[random() % 8] + u16(std::to_string(i));
    if (!folder && random() % 2) name += u".txt";
    int64_t size = folder ? 0 : static_cast<int64_t>(random() % 10000000);
    int64_t onDisk = random() % 4 == 0 ? static_cast<int64_t>(random() % 50000) : (size + 4095) / 4096 * 4096;
    if (random() % 100 == 0) size = int64_t{1} << 50;   // in the large-size table
    int64_t time = random() % 5 == 0 ? 0 : utcFiletime(1980 + random() % 50, 1 + random() % 12, 1 + random() % 28,
                                                       random() % 24, random() % 60, random() % 60) + random() % 10000000;
    int32_t n = add(tree, parent, name, size, onDisk, folder, time, static_cast<uint32_t>(random() % 300));
    if (folder) folders.push_back(n);
  }
  finalizeTree(tree);
}

bool exportFile(const Tree& tree, const std::string& path) {
  VolumeSummary volume{u"Label", u"NTFS", 1 << 30, 1 << 20};
  ScanProgress progress;
  ExportFailure failure;
  bool ok = exportCsvWithVolume(tree, u16(path), volume, progress, failure);
  EXPECT_TRUE(ok) << u8(exportFailureText(failure));
  return ok;
}

}  // namespace

TEST(CsvImport, RoundTripKeepsTheTreeAndTheFile) {
  useFixedTimeZone();
  TempDir dir;
  TreeHolder original;
  buildTree(original.tree, 42, 5000);
  std::string first = dir.path + "/first.csv", second = dir.path + "/second.csv";
  ASSERT_TRUE(exportFile(original.tree, first));

  TreeHolder imported;
  ScanProgress progress;
  CsvImportResult result = importCsvFile(imported.tree, u16(first), progress);
  ASSERT_TRUE(result.ok) << int(result.failure.reason);
  EXPECT_EQ(imported.tree.rootPath, original.tree.rootPath);
  EXPECT_EQ(progress.done.load(), original.tree.fileCount + original.tree.folderCount + 1);
  EXPECT_EQ(imported.tree.fileCount, original.tree.fileCount);
  EXPECT_EQ(imported.tree.folderCount, original.tree.folderCount);
  auto a = snapshot(original.tree), b = snapshot(imported.tree);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [path, facts] : a) {
    auto it = b.find(path);
    ASSERT_NE(it, b.end()) << path;
    EXPECT_EQ(it->second, facts) << path;
  }
  ASSERT_TRUE(exportFile(imported.tree, second));
  EXPECT_TRUE(readFile(first) == readFile(second)) << "second export differs";
}

TEST(CsvImport, HeaderFacts) {
  std::string text = kBom + "Mossbloom export \xC2\xB7 My \xC2\xB7 Disk \xC2\xB7 NTFS\r\n" + kHeader + "\r\n" +
                     "\"c:\\\",100,200,,0,1,0,5000,3000,2000,0\r\n";
  CsvHeader header;
  CsvRow row;
  ASSERT_TRUE(readCsvHeader(reinterpret_cast<const uint8_t*>(text.data()), text.size(), header, row));
  EXPECT_EQ(u8(header.label), "My");
  EXPECT_EQ(u8(header.fileSystem), "Disk \xC2\xB7 NTFS");
  EXPECT_EQ(u8(header.rootPath), "c:\\");
  EXPECT_EQ(header.driveLetter, u'C');
  EXPECT_EQ(header.capacity, 5000);
  EXPECT_EQ(header.freeBytes, 3000);

  struct Case {
    const char* row;
    const char* root;
  };
  Case roots[] = {{"\"D:\\Data\\\"", "D:\\Data"}, {"\"/data/\"", "/data"}, {"\"/\"", "/"},
                  {"\"\\\\server\\share\\\"", "\\\\server\\share"}};
  for (const Case& c : roots) {
    std::string t = kHeader + "\n" + c.row + ",1,2,,0\n";
    ASSERT_TRUE(readCsvHeader(reinterpret_cast<const uint8_t*>(t.data()), t.size(), header, row)) << c.row;
    EXPECT_EQ(u8(header.rootPath), c.root);
    EXPECT_EQ(u8(header.label), "");
  }
}

TEST(CsvImport, FilesFromOtherWritersImport) {
  useFixedTimeZone();
  const std::string rows =
      "\"C:\\\",0,0,,0,0,0,100,50,50,0\r\n"
      "\"C:\\Dir\\\",0,0,,16,0,0\r\n"
      "\"C:\\Dir\\a.txt\",10,4096,2024/03/05 14:07:09,32,0,0\r\n"
      "\"C:\\Dir\\Makefile.\",20,4096,,32,0,0\r\n"
      "\"C:\\big.bin\",99999999999999999999999,5,,32,0,0\r\n"
      "\"C:\\q\"\"uote\",1,0,,0,0,0\r\n";
  std::string lf = rows;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
  // The huge size is cut so that the root total stays representable; later files get 0.
  const std::string expected = "<root>/=" + std::to_string(INT64_MAX) + ";/Dir/=30;/Dir/Makefile=20;/Dir/a.txt=10;"
                               "/big.bin=" + std::to_string(INT64_MAX - 30) + ";/q\"uote=0;";
  struct Case {
    const char* what;
    std::string text;
  };
  Case cases[] = {
      {"own title", kBom + "Mossbloom export \xC2\xB7 L \xC2\xB7 NTFS\r\n" + kHeader + "\r\n" + rows},
      {"banner line", kBom + "Generated by WizTree 4.1 3/5/2024 2:07:09 PM (You can hide this message with the "
                             "supporter edition)\r\n" + kHeader + "\r\n" + rows},
      {"no title, no BOM", kHeader + "\r\n" + rows},
      {"LF line ends", kBom + "title\n" + kHeader + "\n" + lf},
      {"no final line end", kHeader + "\r\n" + rows.substr(0, rows.size() - 2)},
  };
  for (const Case& c : cases) {
    Imported imported;
    importText(imported, c.text);
    ASSERT_TRUE(imported.ok) << c.what;
    EXPECT_EQ(listing(imported.tree()), expected) << c.what;
    auto nodes = snapshot(imported.tree());
    EXPECT_EQ(nodes["/Dir/a.txt"].onDisk, 4096) << c.what;
    EXPECT_EQ(nodes["/Dir/a.txt"].attributes, 32u) << c.what;
    EXPECT_NE(nodes["/Dir/a.txt"].time, 0) << c.what;
    EXPECT_EQ(nodes["/Dir/Makefile"].time, 0) << c.what;
  }
}

TEST(CsvImport, ColumnsAndFieldsAreTolerated) {
  struct Case {
    const char* row;
    bool imported;
    int64_t size, allocated, attributes;
  };
  Case cases[] = {
      {"\"/r/f.txt\",5,4096,,32,0,0", true, 5, 4096, 32},
      {"\"/r/f.txt\",5,4096,,32", true, 5, 4096, 32},                       // four fields are enough
      {"\"/r/f.txt\",5,4096,", false, 0, 0, 0},                             // three are not
      {"\"/r/f.txt\",5,4096,,32,0,0,1,2,3,4,5,6,7", true, 5, 4096, 32},     // extra columns
      {"\"/r/f.txt\",5x,-7,,+32,0,0", true, 5, 0, 0},                       // digits only, signs give 0
      {"\"/r/f.txt\",,,,", true, 0, 0, 0},
      {"\"/r/f.txt\",5,4096,,4294967329", true, 5, 4096, 33},               // lower 32 bits
      {"\"/r/f.txt\",999999999999999999,9223372036854775807,,9223372036854775808", true,
       999999999999999999, INT64_MAX, 0xFFFFFFFF},                             // 18 and 19 digits, one past the top
      {"\"/r/f.txt\",0000000000000000000000012,12345678901234567890123,,", true, 12, INT64_MAX, 0},
      {"\"/r/f.txt\"", false, 0, 0, 0},
      {"\"/r/f.txt", false, 0, 0, 0},
      {"/r/f.txt,5,4096,,32", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Imported imported;
    importText(imported, kHeader + "\n\"/r/\",0,0,,0\n" + c.row + "\n");
    ASSERT_TRUE(imported.ok) << c.row;
    int32_t f = imported.tree().node(imported.tree().rootIndex).firstChild;
    EXPECT_EQ(f != kNoNode, c.imported) << c.row;
    if (f == kNoNode || !c.imported) continue;
    EXPECT_EQ(logicalSize(imported.tree(), f), c.size) << c.row;
    EXPECT_EQ(onDiskSize(imported.tree(), f), c.allocated) << c.row;
    EXPECT_EQ(attributes(imported.tree(), f), static_cast<uint32_t>(c.attributes)) << c.row;
  }
}

TEST(CsvImport, TimesAreYearFirstLocalTimes) {
  useFixedTimeZone();
  int64_t reference = parseCsvTime(u"2024/03/05 14:07:09");
  ASSERT_NE(reference, 0);
#if !defined(_WIN32)
  EXPECT_EQ(reference, utcFiletime(2024, 3, 5, 13, 7, 9));           // CET
  EXPECT_EQ(parseCsvTime(u"2024/07/05 14:07:09"), utcFiletime(2024, 7, 5, 12, 7, 9));  // CEST
  // The day summer time starts (02:00 CET becomes 03:00 CEST) and the day it ends.
  EXPECT_EQ(parseCsvTime(u"2024/03/31 01:59:59"), utcFiletime(2024, 3, 31, 0, 59, 59));
  EXPECT_EQ(parseCsvTime(u"2024/03/31 03:00:00"), utcFiletime(2024, 3, 31, 1, 0, 0));
  EXPECT_EQ(parseCsvTime(u"2024/03/31 23:00:00"), utcFiletime(2024, 3, 31, 21, 0, 0));
  EXPECT_EQ(parseCsvTime(u"2024/10/27 00:30:00"), utcFiletime(2024, 10, 26, 22, 30, 0));
  EXPECT_EQ(parseCsvTime(u"2024/10/27 03:30:00"), utcFiletime(2024, 10, 27, 2, 30, 0));
  EXPECT_EQ(parseCsvTime(u"2024/10/28 00:00:00"), utcFiletime(2024, 10, 27, 23, 0, 0));
  // The repeated hour names two instants and the skipped hour none: always the earlier
  // instant, and the skipped time read with the winter offset, whatever was converted
  // before (the order of these lines is part of the test) and on whichever thread.
  auto ambiguousAndSkipped = [] {
    EXPECT_EQ(parseCsvTime(u"2024/10/27 02:30:00"), utcFiletime(2024, 10, 27, 0, 30, 0));
    EXPECT_EQ(parseCsvTime(u"2024/10/27 03:30:00"), utcFiletime(2024, 10, 27, 2, 30, 0));
    EXPECT_EQ(parseCsvTime(u"2024/10/27 02:30:00"), utcFiletime(2024, 10, 27, 0, 30, 0));
    EXPECT_EQ(parseCsvTime(u"2024/03/31 02:30:00"), utcFiletime(2024, 3, 31, 1, 30, 0));
    EXPECT_EQ(parseCsvTime(u"2024/10/27 01:30:00"), utcFiletime(2024, 10, 26, 23, 30, 0));
    EXPECT_EQ(parseCsvTime(u"2024/10/27 02:00:00"), utcFiletime(2024, 10, 27, 0, 0, 0));
    EXPECT_EQ(parseCsvTime(u"2024/10/27 02:59:59"), utcFiletime(2024, 10, 27, 0, 59, 59));
  };
  ambiguousAndSkipped();
  std::thread other(ambiguousAndSkipped);
  other.join();
#endif
  struct Case {
    const char16_t* text;
    int64_t expected;
  };
  Case cases[] = {
      {u"2024-03-05T14:07:09", reference},
      {u"2024.3.5 14:07:09", reference},
      {u" 2024/03/05  14:07:09 ", reference},
      {u"2024/03/05 14:07:09.123", reference},
      {u"2024/03/05", parseCsvTime(u"2024/03/05 00:00:00")},
      {u"", 0},
      {u"05/03/2024 14:07:09", 0},       // day first
      {u"1600/12/31 00:00:00", 0},
      {u"2024/13/01 00:00:00", 0},
      {u"2023/02/29 00:00:00", 0},
      {u"2024/02/30 00:00:00", 0},
      {u"2024/01/01 24:00:00", 0},
      {u"2024", 0},
      {u"99999999999999999999/01/01", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(parseCsvTime(c.text), c.expected) << u8(c.text);
  EXPECT_NE(parseCsvTime(u"1601/01/02 00:00:00"), 0);
  EXPECT_NE(parseCsvTime(u"2024/02/29 23:59:59"), 0);
}

TEST(CsvImport, HeaderRulesRejectOrAccept) {
  struct Case {
    const char* what;
    std::string text;
    bool ok;
  };
  Case cases[] = {
      {"neither line is a header", "hello\nworld\n\"/r/\",0,0,,0\n", false},
      {"header on line 3", "a\nb\n" + kHeader + "\n\"/r/\",0,0,,0\n", false},
      {"short header", "title\nFile Name\n\"/r/\",0,0,,0\n", false},
      {"first row unparsable", kHeader + "\n/r/,0,0,,0\n", false},
      {"first row too few fields", kHeader + "\n\"/r/\",0,0\n", false},
      {"no first row", kHeader + "\n", false},
      {"empty root path", kHeader + "\n\"\",0,0,,0\n", false},
      {"empty", "", false},
      {"only a BOM", kBom, false},
      {"BOM and header", kBom + kHeader, false},
      {"minimal header", "File Name,\n\"/r/\",0,0,,0\n", true},
  };
  for (const Case& c : cases) {
    Imported imported;
    importText(imported, c.text);
    EXPECT_EQ(imported.ok, c.ok) << c.what;
  }
}

TEST(CsvImport, RowsOutOfPlaceAreSkipped) {
  const std::string text = kHeader + "\n"
      "\"C:\\A\\\",0,0,,0\n"
      "\"C:\\A\\x.txt\",1,0,,0\n"
      "\"C:\\A\\B\\c.txt\",2,0,,0\n"        // B's row never came
      "\"c:\\A\\y.txt\",4,0,,0\n"           // differs from the root only by case
      "\"D:\\z.txt\",8,0,,0\n"              // outside the root
      "\"C:\\A\\\",16,0,,0\n"               // the root itself again: empty name
      "\"C:\\A\\C\\\",0,0,,0\n"
      "\"C:\\A\\C\\d\",32,0,,0\n"
      "\"C:\\A\\e.\",64,0,,0\n"
      "\"C:\\A\\f.g.\",128,0,,0\n"
      "garbage line\n"
      "\n"
      "\"C:\\A\\C\\\\\",0,0,,0\n";           // empty folder name after the prefix
  Imported imported;
  importText(imported, text);
  ASSERT_TRUE(imported.ok);
  EXPECT_EQ(listing(imported.tree()), "<root>/=225;/C/=32;/C/d=32;/e=64;/f.g.=128;/x.txt=1;");
}

TEST(CsvImport, NativeAndWindowsSeparatorsBothImport) {
  struct Case {
    std::string text;
    std::string expected;
  };
  Case cases[] = {
      {kHeader + "\n\"/home/u/\",0,0,,0\n\"/home/u/d/\",0,0,,0\n\"/home/u/d/a\\b.txt\",3,0,,0\n",
       "<root>/=3;/d/=3;/d/a\\b.txt=3;"},
      {kHeader + "\n\"E:\\\",0,0,,0\n\"E:\\d\\\",0,0,,0\n\"E:\\d\\a/b.txt\",3,0,,0\n", "<root>/=3;/d/=3;/d/a/b.txt=3;"},
  };
  for (const Case& c : cases) {
    Imported imported;
    importText(imported, c.text);
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(listing(imported.tree()), c.expected);
  }
}

TEST(CsvImport, NativeNamesWithLineBreaksAndForeignBytesRoundTrip) {
  useFixedTimeZone();
  TempDir dir;
  TreeHolder original;
  Tree& tree = original.tree;
  tree.rootPath = u"/data";
  tree.rootIndex = add(tree, kNoNode, tree.rootPath, 0, 0, true, utcFiletime(2021, 1, 1, 0, 0, 0), 0x10);
  // Bytes that are no UTF-8 live in the tree as U+DC80..U+DCFF (one unit per byte).
  const std::u16string latin1E9 = std::u16string(u"caf") + char16_t(0xDCE9);
  const std::u16string latin1E8 = std::u16string(u"caf") + char16_t(0xDCE8);
  int32_t odd = add(tree, tree.rootIndex, latin1E9, 0, 0, true, 0, 0x10);
  add(tree, odd, u"two\nlines.txt", 11, 4096, false, utcFiletime(2021, 2, 3, 4, 5, 6), 0x80);
  add(tree, odd, u"ends with a break\n", 12, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, latin1E8, 13, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, u"car\rriage\r\n", 14, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, u"looks like \\x41 an escape", 15, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, u"\\xE9", 16, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, u"plain \\ and \\x and \\xZ1", 17, 4096, false, 0, 0x80);
  add(tree, tree.rootIndex, std::u16string(u"emoji \U0001F600 ") + char16_t(0xDCFF), 18, 4096, false, 0, 0x80);
  finalizeTree(tree);

  std::string first = dir.path + "/first.csv", second = dir.path + "/second.csv";
  ASSERT_TRUE(exportFile(tree, first));
  std::string text = readFile(first);
  // Every line is a whole row: 2 header lines + 10 rows, each ended by CR LF.
  size_t lineFeeds = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(lineFeeds, 12u) << text;
  EXPECT_NE(text.find("\"/data/caf\\xE9/two\\x0Alines.txt\","), std::string::npos) << text;
  EXPECT_NE(text.find("\"/data/looks like \\x5Cx41 an escape.\","), std::string::npos) << text;
  EXPECT_NE(text.find("\"/data/plain \\ and \\x and \\xZ1.\","), std::string::npos) << text;

  TreeHolder imported;
  ScanProgress progress;
  CsvImportResult result = importCsvFile(imported.tree, u16(first), progress);
  ASSERT_TRUE(result.ok) << int(result.failure.reason);
  EXPECT_EQ(imported.tree.fileCount, tree.fileCount);
  EXPECT_EQ(imported.tree.folderCount, tree.folderCount);
  std::set<std::u16string> before, after;
  for (int32_t n = 0; n < tree.nodeCount; n++) before.insert(nodePath(tree, n));
  for (int32_t n = 0; n < imported.tree.nodeCount; n++) after.insert(nodePath(imported.tree, n));
  EXPECT_EQ(after, before);
  EXPECT_TRUE(snapshot(imported.tree) == snapshot(tree));
  ASSERT_TRUE(exportFile(imported.tree, second));
  EXPECT_TRUE(readFile(first) == readFile(second)) << "second export differs";
}

TEST(CsvImport, AReexportCarriesTheFilesOwnVolumeFigures) {
  TempDir dir;
  std::string source = dir.path + "/source.csv", again = dir.path + "/again.csv";
  writeTestFile(source, kBom + "Mossbloom export \xC2\xB7 Backup disk \xC2\xB7 NTFS\r\n" + kHeader + "\r\n" +
                            "\"/elsewhere/\",5,4096,,0,1,0,987654321000,123456789000,864197532000,0\r\n"
                            "\"/elsewhere/a.bin\",5,4096,,32,0,0\r\n");
  TreeHolder imported;
  ScanProgress progress;
  ASSERT_TRUE(importCsvFile(imported.tree, u16(source), progress).ok);
  EXPECT_TRUE(imported.tree.sourceVolume.known);
  ExportFailure failure;
  ScanProgress exportProgress;
  ASSERT_TRUE(exportCsv(imported.tree, u16(again), exportProgress, failure)) << u8(exportFailureText(failure));
  std::string text = readFile(again);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), kBom + "Mossbloom export \xC2\xB7 Backup disk \xC2\xB7 NTFS");
  EXPECT_NE(text.find("\"/elsewhere/\",5,4096,,0,1,0,987654321000,123456789000,864197532000,0\r\n"), std::string::npos)
      << text;
}

TEST(CsvImport, DamagedNamesAreSkippedAndNothingLeavesTheRoot) {
  const std::string text = kHeader + "\n"
      "\"/r/\",0,0,,0\n"
      "\"/r/./\",0,0,,0\n"
      "\"/r/../\",0,0,,0\n"
      "\"/r/../etc/\",0,0,,0\n"
      "\"/r/../etc/passwd\",1,0,,0\n"
      "\"/r/..\",2,0,,0\n"
      "\"/r/.\",4,0,,0\n"
      "\"/r/\xC0\xAE\xC0\xAE/\",0,0,,0\n"               // overlong UTF-8 for ..
      "\"/r/\xC0\xAE\xC0\xAE/x\",8,0,,0\n"
      "\"/r/\\x2E\\x2E/\",0,0,,0\n"                     // .. spelled as escapes
      "\"/r/\\x2E\\x2E/y\",16,0,,0\n"
      "\"/r/a\\x00b\",32,0,,0\n"                          // NUL spelled as an escape
      "\"/r/a\\x2Fb\",64,0,,0\n"                          // a separator inside a name
      "\"/r/...\",128,0,,0\n"                               // three dots are a name
      "\"/r/.hidden/\",0,0,,0\n"
      "\"/r/.hidden/..a\",256,0,,0\n" +
      std::string("\"/r/nul\0byte\",512,0,,0\n", 22);
  Imported imported;
  importText(imported, text);
  ASSERT_TRUE(imported.ok);
  EXPECT_EQ(listing(imported.tree()), "<root>/=384;/...=128;/.hidden/=256;/.hidden/..a=256;");
  for (int32_t n = 0; n < imported.tree().nodeCount; n++) {
    std::u16string name = nodeName(imported.tree(), n);
    EXPECT_TRUE(name != u"." && name != u".." && name.find(u'\0') == std::u16string::npos) << u8(name);
  }

  // A root row holding NUL is no root: the file is no export.
  std::string nulRoot = kHeader + "\n" + std::string("\"/r\0/\",0,0,,0\n", 14);
  Imported refused;
  importText(refused, nulRoot);
  EXPECT_FALSE(refused.ok);
}

TEST(CsvImport, Utf8DecodingIsLenientAsDocumented) {
  struct Case {
    std::string bytes;
    std::u16string units;
  };
  Case cases[] = {
      {"abc", u"abc"},
      {"\xC3\xA9", u"\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\x80", u"\uFFFD"},
      {"\xBF\xF8\xFF", u"\uFFFD\uFFFD\uFFFD"},
      {"\xC3", u"\u00C0"},                          // lead byte at the end: (lead & 0x1F) * 64
      {"\xE2\x82", std::u16string(1, char16_t(0x2080))},
      {"\xE2", std::u16string(1, char16_t(0x2000))},
      {"\xF0\x9F", std::u16string(1, char16_t(0xD83C)) + char16_t(0xDC00)},
      {"\xC3" "A", u"\u00C1"},                       // continuation bytes are not checked
      {"\xE2" "ab", std::u16string(1, char16_t(0x2000 | (('a' & 0x3F) << 6) | ('b' & 0x3F)))},
      {"\xC3\xA9" "x\xE2" "yz!", std::u16string(u"\u00E9x") + char16_t(0x2000 | (('y' & 0x3F) << 6) | ('z' & 0x3F)) + u"!"},
  };
  for (const Case& c : cases) {
    std::u16string out = u"<";
    appendUtf16FromLenientUtf8(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), out);
    EXPECT_EQ(out, u"<" + c.units) << c.bytes;
  }
}

TEST(CsvImport, HostileInputNeitherCrashesNorLeaks) {
  std::string longLine = kHeader + "\n\"/r/\",0,0,,0\n\"/r/" + std::string(100u << 20, 'a') + "\",1,0,,0\n\"/r/ok\",2,0,,0\n";
  std::string unterminated = kHeader + "\n\"/r/\",0,0,,0\n\"" + std::string(100u << 20, 'b');
  std::string deep = kHeader + "\n\"/r/\",0,0,,0\n";
  std::string prefix = "/r/";
  for (int i = 0; i < 400; i++) {
    prefix += std::string(249, 'd') + "/";
    deep += "\"" + prefix + "\",0,0,,0\n";
  }
  deep += "\"" + prefix + "leaf\",7,0,,0\n";
  struct Case {
    const char* what;
    std::string text;
    bool ok;
    std::string expected;
  };
  Case cases[] = {
      {"truncated UTF-8", kHeader + "\n\"/r/\",0,0,,0\n\"/r/\xE2\x82\",1,0,,0\n\"/r/\xF0\",1,0,,0", true, ""},
      {"lone high bytes", kHeader + "\n\"/r/\",0,0,,0\n\"/r/\x80\xFF\xC0\",1,0,\xFF\xFE,0\n", true, ""},
      {"100 MB line", longLine, true, ""},
      {"100 MB unterminated quote", unterminated, true, "<root>/=0;"},
      {"100 000-unit path", deep, true, ""},
      {"NUL bytes", kHeader + std::string("\n\"/r/\",0,0,,0\n\"/r/a\0b\",1,0,,0\n", 30), true, ""},
  };
  for (const Case& c : cases) {
    Imported imported;
    importText(imported, c.text);
    EXPECT_EQ(imported.ok, c.ok) << c.what;
    if (!c.expected.empty()) {
      EXPECT_EQ(listing(imported.tree()), c.expected) << c.what;
    }
  }
  {
    Imported imported;
    importText(imported, longLine);
    // The huge name is cut to 255 units; the row after it still finds its parent.
    EXPECT_EQ(imported.tree().fileCount, 2);
    EXPECT_EQ(logicalSize(imported.tree(), imported.tree().rootIndex), 3);
  }
  {
    Imported imported;
    importText(imported, deep);
    EXPECT_EQ(imported.tree().folderCount, 400);
    EXPECT_EQ(logicalSize(imported.tree(), imported.tree().rootIndex), 7);
  }
}

TEST(CsvImport, DeepLongPathsRoundTrip) {
  // Rows of 100 000 units fill the write buffer unevenly; every byte must survive.
  TempDir dir;
  TreeHolder original;
  Tree& tree = original.tree;
  tree.rootPath = testRoot();
  tree.rootIndex = add(tree, kNoNode, tree.rootPath, 0, 0, true);
  int32_t folder = tree.rootIndex;
  for (int i = 0; i < 400; i++) folder = add(tree, folder, std::u16string(249, u'a' + i % 26), 0, 0, true);
  for (int i = 0; i < 40; i++) add(tree, folder, u16("file" + std::to_string(i) + "\xE2\x82\xAC"), i, 4096, false);
  finalizeTree(tree);
  std::string first = dir.path + "/deep1.csv", second = dir.path + "/deep2.csv";
  ASSERT_TRUE(exportFile(tree, first));
  TreeHolder imported;
  ScanProgress progress;
  ASSERT_TRUE(importCsvFile(imported.tree, u16(first), progress).ok);
  EXPECT_EQ(snapshot(imported.tree), snapshot(tree));
  ASSERT_TRUE(exportFile(imported.tree, second));
  EXPECT_TRUE(readFile(first) == readFile(second));
}

TEST(CsvImport, FileFailures) {
  TempDir dir;
  writeTestFile(dir.path + "/empty.csv", "");
  writeTestFile(dir.path + "/bom.csv", kBom);
  writeTestFile(dir.path + "/bad.csv", "hello\nworld\n");
  struct Case {
    std::string path;
    ImportFailureReason reason;   // System carries the system's code
  };
  Case cases[] = {{dir.path + "/empty.csv", ImportFailureReason::NotAnExport},
                  {dir.path + "/bom.csv", ImportFailureReason::NotAnExport},
                  {dir.path + "/bad.csv", ImportFailureReason::NotAnExport},
                  {dir.path + "/missing.csv", ImportFailureReason::System},
                  {dir.path, ImportFailureReason::System}};
  for (const Case& c : cases) {
    TreeHolder holder;
    ScanProgress progress;
    CsvImportResult result = importCsvFile(holder.tree, u16(c.path), progress);
    EXPECT_FALSE(result.ok) << c.path;
    EXPECT_EQ(result.failure.reason, c.reason) << c.path;
    EXPECT_EQ(result.failure.systemError != 0, c.reason == ImportFailureReason::System) << c.path;
    EXPECT_EQ(holder.tree.rootIndex, kNoNode) << c.path;
    EXPECT_EQ(holder.tree.nodeCount, 0) << c.path;
  }
}

#if defined(_WIN32)
TEST(CsvImport, OnlyRegularFilesAreRead) {
  TreeHolder holder;
  ScanProgress progress;
  CsvImportResult result = importCsvFile(holder.tree, u"NUL", progress);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure.reason, ImportFailureReason::NotRegularFile);
}
#else
TEST(CsvImport, OnlyRegularFilesAreRead) {
  TempDir dir;
  std::string pipe = dir.path + "/pipe.csv";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  TreeHolder holder;
  ScanProgress progress;
  CsvImportResult result;
  std::atomic<bool> done{false};
  std::thread importer([&] {
    result = importCsvFile(holder.tree, u16(pipe), progress);
    done = true;
  });
  for (int i = 0; i < 1000 && !done; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  bool finished = done;
  if (!finished) {
    // Release an import stuck waiting for a writer before failing.
    int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) close(writer);
  }
  importer.join();
  EXPECT_TRUE(finished) << "the import waited for a writer to the pipe";
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure.reason, ImportFailureReason::NotRegularFile);
}

TEST(CsvImport, AFileShortenedWhileImportedNeverCrashes) {
  TempDir dir;
  TreeHolder original;
  buildTree(original.tree, 17, 200000);
  std::string path = dir.path + "/shrinking.csv";
  ASSERT_TRUE(exportFile(original.tree, path));
  TreeHolder whole;
  ScanProgress wholeProgress;
  ASSERT_TRUE(importCsvFile(whole.tree, u16(path), wholeProgress).ok);
  for (int round = 0; round < 3; round++) {
    std::string copy = dir.path + "/round.csv";
    writeTestFile(copy, readFile(path));
    TreeHolder holder;
    ScanProgress progress;
    std::atomic<bool> finished{false};
    // Another process cuts the file as soon as the first rows are read: a mapping of it
    // would fault on the next page.
    std::thread cutter([&] {
      while (!finished && progress.done.load() < 1 + round * 1000) std::this_thread::yield();
      truncate(copy.c_str(), 4096);
    });
    CsvImportResult result = importCsvFile(holder.tree, u16(copy), progress);
    finished = true;
    cutter.join();
    if (result.ok) {
      EXPECT_TRUE(snapshot(holder.tree) == snapshot(whole.tree)) << "a tree of neither version";
    } else {
      EXPECT_EQ(result.failure.reason, ImportFailureReason::ChangedWhileRead);
    }
  }
}
#endif

TEST(CsvImport, StoppingDeliversNoTree) {
  TempDir dir;
  TreeHolder original;
  buildTree(original.tree, 3, 2000);
  std::string path = dir.path + "/stop.csv";
  ASSERT_TRUE(exportFile(original.tree, path));
  TreeHolder holder;
  ScanProgress progress;
  progress.cancel = 1;
  CsvImportResult result = importCsvFile(holder.tree, u16(path), progress);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.failure.reason, ImportFailureReason::Stopped);
  EXPECT_EQ(holder.tree.rootIndex, kNoNode);
}
