// CSV export: the whole file byte for byte, totals on a random tree against a naive
// recomputation, and every failure leaving no file behind.
#include "engine/csv.h"
#include "app/failure_text.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "tests/engine/csv_fixtures.h"
#include "tests/support/temp_dir.h"
#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <gtest/gtest.h>
#include <filesystem>
#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

using namespace csvtest;

namespace {

const std::u16string kNonBmpName = u"\U0001D11Emusic.flac";   // G clef, a surrogate pair

// A small tree with every rule of the format in it (times in UTC).
void buildGoldenTree(Tree& tree) {
  tree.rootPath = testRoot();
  int32_t root = add(tree, kNoNode, tree.rootPath, 0, 0, true, utcFiletime(2024, 1, 15, 10, 0, 0), 0x10);
  tree.rootIndex = root;
  int32_t gone = add(tree, root, u"gone.txt", 999999, 999999, false, utcFiletime(2025, 1, 1, 0, 0, 0), 0x20);
  add(tree, root, u"README", 1, 4096, false, utcFiletime(2024, 2, 29, 5, 6, 7), 0x20);
  add(tree, root, u"b.TXT", 7, 4096, false);
  add(tree, root, u"a.txt", 3000, 0, false, utcFiletime(1999, 12, 31, 23, 59, 59), 0x820);
  int32_t gamma = add(tree, root, u"Gamma", 0, 0, true, utcFiletime(2020, 5, 5, 5, 5, 5), 0x10);
  add(tree, gamma, u"x.bin", 4096, 4096, false);
  int32_t beta = add(tree, root, u"beta", 0, 0, true, 0, 0x12);
  add(tree, beta, u"zeta.txt", 10, 4096, false, utcFiletime(2024, 7, 1, 12, 30, 45), 0x20);
  add(tree, beta, u"Alpha", 0, 0, false);
  int32_t alpha = add(tree, root, u"Alpha", 0, 0, true, utcFiletime(2023, 12, 31, 23, 30, 0), 0x10);
  add(tree, alpha, kNonBmpName, 5000, 8192, false, utcFiletime(2022, 6, 10, 8, 0, 1), 0x21);
  add(tree, alpha, u"empty", 0, 0, true, 0, 0x10);
  detachNode(tree, gone);
  finalizeTree(tree);
}

VolumeSummary goldenVolume() {
  VolumeSummary volume;
  volume.label = u"Data disk";
  volume.fileSystem = u"ext4";
  volume.capacity = 1000000;
  volume.freeBytes = 250000;
  return volume;
}

std::string goldenText() {
#if defined(_WIN32)
  const char* r = "D:\\Data\\";
  const char* s = "\\";
  const char* t[] = {"2024/07/01 12:30:45", "2023/12/31 23:30:00", "2022/06/10 08:00:01", "2020/05/05 05:05:05",
                     "1999/12/31 23:59:59", "2024/02/29 05:06:07"};
#else
  const char* r = "/data/";
  const char* s = "/";
  const char* t[] = {"2024/07/01 14:30:45", "2024/01/01 00:30:00", "2022/06/10 10:00:01", "2020/05/05 07:05:05",
                     "2000/01/01 00:59:59", "2024/02/29 06:06:07"};
#endif
  std::string R(r), S(s);
  std::string out = "\xEF\xBB\xBFMossbloom export \xC2\xB7 Data disk \xC2\xB7 ext4\r\n"
                    "File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE\r\n";
  out += "\"" + R + "\",12114,24576," + t[0] + ",0,7,4,1000000,250000,750000,0\r\n";
  out += "\"" + R + "Alpha" + S + "\",5000,8192," + t[1] + ",16,1,1\r\n";
  out += "\"" + R + "Alpha" + S + "empty" + S + "\",0,0,,16,0,0\r\n";
  out += "\"" + R + "Alpha" + S + "\xF0\x9D\x84\x9Emusic.flac\",5000,8192," + t[2] + ",33,0,0\r\n";
  out += "\"" + R + "beta" + S + "\",10,4096," + t[0] + ",18,2,0\r\n";
  out += "\"" + R + "beta" + S + "Alpha.\",0,0,,0,0,0\r\n";
  out += "\"" + R + "beta" + S + "zeta.txt\",10,4096," + t[0] + ",32,0,0\r\n";
  out += "\"" + R + "Gamma" + S + "\",4096,4096," + t[3] + ",16,1,0\r\n";
  out += "\"" + R + "Gamma" + S + "x.bin\",4096,4096,,0,0,0\r\n";
  out += "\"" + R + "a.txt\",3000,0," + t[4] + ",2080,0,0\r\n";
  out += "\"" + R + "b.TXT\",7,4096,,0,0,0\r\n";
  out += "\"" + R + "README.\",1,4096," + t[5] + ",32,0,0\r\n";
  return out;
}

bool exportTo(const Tree& tree, const std::string& path, std::u16string& error, ScanProgress* progress = nullptr) {
  ScanProgress local;
  ExportFailure failure;
  bool ok = exportCsvWithVolume(tree, u16(path), goldenVolume(), progress ? *progress : local, failure);
  error = exportFailureText(failure);
  return ok;
}

// A random tree: nested folders, files with and without times and dots, some detached.
void buildRandomTree(Tree& tree, uint32_t seed, int nodes) {
  std::mt19937 random(seed);
  tree.rootPath = testRoot();
  tree.rootIndex = add(tree, kNoNode, tree.rootPath, 0, 0, true);
  std::vector<int32_t> folders{tree.rootIndex};
  std::vector<int32_t> detachable;
  const char16_t* stems[] = {u"a", u"B", u"readme", u"Zed", u"\u00E9t\u00E9", u"\U0001F600x", u"data", u"ab"};
  for (int i = 0; i < nodes; i++) {
    int32_t parent = folders[random() % folders.size()];
    bool folder = random() % 5 == 0;
    std::u16string name = stems[random() % 8];
    name += u16(std::to_string(i));
    if (!folder && random() % 2) name += u".bin";
    int64_t size = folder ? 0 : static_cast<int64_t>(random() % 100000);
    int64_t onDisk = random() % 4 == 0 ? static_cast<int64_t>(random() % 50000) : (size + 4095) / 4096 * 4096;
    int64_t time = random() % 3 == 0 ? 0 : utcFiletime(1990 + random() % 40, 1 + random() % 12, 1 + random() % 28,
                                                       random() % 24, random() % 60, random() % 60) + random() % 10000000;
    int32_t n = add(tree, parent, name, size, onDisk, folder, time, static_cast<uint32_t>(random() % 4 == 0 ? 0x20 : random() % 70000));
    if (folder) folders.push_back(n);
    if (random() % 50 == 0) detachable.push_back(n);
  }
  for (int32_t n : detachable) detachNode(tree, n);
  finalizeTree(tree);
}

struct Row {
  std::string path;
  std::vector<std::string> fields;
};

std::vector<Row> splitRows(const std::string& text) {
  std::vector<Row> rows;
  size_t at = text.find("\r\n", text.find("\r\n") + 2) + 2;   // after title and header
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    std::string line = text.substr(at, end - at);
    size_t close = line.find('"', 1);
    Row row{line.substr(1, close - 1), {}};
    std::stringstream rest(line.substr(close + 2));
    std::string field;
    while (std::getline(rest, field, ',')) row.fields.push_back(field);
    if (!line.empty() && line.back() == ',') row.fields.push_back("");
    rows.push_back(row);
    at = end + 2;
  }
  return rows;
}

struct Naive {
  int64_t onDisk = 0, latest = 0, files = 0, folders = 0;
};

Naive naiveTotals(const Tree& tree, int32_t n) {
  Naive total;
  total.latest = modifiedTime(tree, n);
  for (int32_t c = tree.node(n).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    if (tree.node(c).flags & kNodeFolder) {
      Naive sub = naiveTotals(tree, c);
      total.onDisk += sub.onDisk;
      total.files += sub.files;
      total.folders += sub.folders + 1;
      total.latest = std::max(total.latest, sub.latest);
    } else {
      total.onDisk += onDiskSize(tree, c);
      total.files += 1;
      total.latest = std::max(total.latest, modifiedTime(tree, c));
    }
  }
  return total;
}

}  // namespace

TEST(CsvExport, GoldenFileByteForByte) {
  if (!useFixedTimeZone()) GTEST_SKIP() << "SKIPPED LOUDLY: the Wine prefix's time zone is not UTC";
  TempDir dir;
  TreeHolder holder;
  buildGoldenTree(holder.tree);
  std::string path = dir.path + "/golden.csv";
  std::u16string error;
  ScanProgress progress;
  ASSERT_TRUE(exportTo(holder.tree, path, error, &progress)) << u8(error);
  EXPECT_EQ(readFile(path), goldenText());
  EXPECT_EQ(progress.total.load(), 12);
  EXPECT_EQ(progress.done.load(), 12);
}

#if !defined(_WIN32)
TEST(CsvExport, LocalTimesAcrossSummerTimeChanges) {
  useFixedTimeZone();
  prepareLocalTime();
  struct Case {
    int64_t utc;
    const char* local;
  };
  Case cases[] = {
      {utcFiletime(2024, 3, 31, 0, 59, 59), "2024/03/31 01:59:59"},
      {utcFiletime(2024, 3, 31, 1, 0, 0), "2024/03/31 03:00:00"},
      {utcFiletime(2024, 10, 27, 0, 59, 59), "2024/10/27 02:59:59"},
      {utcFiletime(2024, 10, 27, 1, 0, 0), "2024/10/27 02:00:00"},
      {utcFiletime(2024, 10, 27, 23, 0, 0), "2024/10/28 00:00:00"},
      {utcFiletime(1601, 1, 1, 0, 0, 0) + 36000000000, "1601/01/01 02:00:00"},
      {utcFiletime(1970, 1, 1, 0, 0, 0) - 10000000, "1970/01/01 00:59:59"},
  };
  for (const Case& c : cases) {
    char16_t text[19];
    ASSERT_TRUE(localTimeText(c.utc, text)) << c.local;
    EXPECT_EQ(u8(std::u16string_view(text, 19)), c.local);
  }
  char16_t text[19];
  EXPECT_FALSE(localTimeText(-5, text));
}
#endif

TEST(CsvExport, ReplacesALongerExistingFile) {
  if (!useFixedTimeZone()) GTEST_SKIP() << "SKIPPED LOUDLY: the Wine prefix's time zone is not UTC";
  TempDir dir;
  TreeHolder holder;
  buildGoldenTree(holder.tree);
  std::string path = dir.path + "/old.csv";
  writeTestFile(path, std::string(1 << 20, 'x'));
  std::u16string error;
  ASSERT_TRUE(exportTo(holder.tree, path, error)) << u8(error);
  EXPECT_EQ(readFile(path), goldenText());
}

TEST(CsvExport, RandomTreeRowsAndTotalsMatchANaiveRecount) {
  TempDir dir;
  TreeHolder holder;
  Tree& tree = holder.tree;
  buildRandomTree(tree, 20261210, 20000);
  std::string path = dir.path + "/random.csv";
  std::u16string error;
  ScanProgress progress;
  ASSERT_TRUE(exportTo(tree, path, error, &progress)) << u8(error);
  std::vector<Row> rows = splitRows(readFile(path));

  // Expected rows by path, from the tree's own path function and a recursive recount.
  std::map<std::string, int32_t> expected;
  std::vector<int32_t> stack{tree.rootIndex};
  while (!stack.empty()) {
    int32_t n = stack.back();
    stack.pop_back();
    std::string p = u8(nodePath(tree, n));
    bool folder = tree.node(n).flags & kNodeFolder;
    if (folder && p.back() != static_cast<char>(kPathSeparator)) p += static_cast<char>(kPathSeparator);
    std::string name = u8(nodeName(tree, n));
    if (!folder && name.find('.') == std::string::npos) p += '.';
    expected[p] = n;
    for (int32_t c = tree.node(n).firstChild; c != kNoNode; c = tree.node(c).nextSibling) stack.push_back(c);
  }
  ASSERT_EQ(rows.size(), expected.size());
  EXPECT_EQ(static_cast<int64_t>(rows.size()), tree.fileCount + tree.folderCount + 1);
  EXPECT_EQ(progress.total.load(), static_cast<int64_t>(rows.size()));

  std::vector<std::string> open;   // folder rows whose subtree is being written
  std::map<std::string, bool> sawFile;
  for (size_t i = 0; i < rows.size(); i++) {
    const Row& row = rows[i];
    auto it = expected.find(row.path);
    ASSERT_NE(it, expected.end()) << row.path;
    int32_t n = it->second;
    bool folder = tree.node(n).flags & kNodeFolder;
    ASSERT_EQ(row.fields.size(), i == 0 ? 10u : 6u) << row.path;
    EXPECT_EQ(row.fields[0], std::to_string(logicalSize(tree, n))) << row.path;
    if (folder) {
      Naive total = naiveTotals(tree, n);
      EXPECT_EQ(row.fields[1], std::to_string(total.onDisk)) << row.path;
      EXPECT_EQ(row.fields[4], std::to_string(total.files)) << row.path;
      EXPECT_EQ(row.fields[5], std::to_string(total.folders)) << row.path;
      EXPECT_EQ(row.fields[2].empty(), total.latest == 0) << row.path;
    } else {
      EXPECT_EQ(row.fields[1], std::to_string(onDiskSize(tree, n))) << row.path;
      EXPECT_EQ(row.fields[2].empty(), modifiedTime(tree, n) == 0) << row.path;
      EXPECT_EQ(row.fields[4] + row.fields[5], "00") << row.path;
    }
    EXPECT_EQ(row.fields[3], std::to_string(i == 0 ? 0 : attributes(tree, n))) << row.path;
    // Depth-first pre-order: the parent's row is still open, and its files come last.
    if (i > 0) {
      std::string parent = u8(nodePath(tree, tree.node(n).parent));
      if (parent.back() != static_cast<char>(kPathSeparator)) parent += static_cast<char>(kPathSeparator);
      while (!open.empty() && open.back() != parent) open.pop_back();
      ASSERT_FALSE(open.empty()) << row.path << " is not inside its parent's block";
      if (folder) {
        EXPECT_FALSE(sawFile[parent]) << row.path << " comes after a file of its folder";
      } else {
        sawFile[parent] = true;
      }
    }
    if (folder) open.push_back(row.path);
  }
}

TEST(CsvExport, FailuresLeaveNoFileAndSayWhy) {
  TempDir dir;
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  TreeHolder empty;

  struct Case {
    const char* what;
    const Tree* tree;
    std::string path;
    std::u16string error;
  };
#if defined(_WIN32)
  std::u16string accessDenied = systemErrorText(ERROR_ACCESS_DENIED);
  std::u16string pathNotFound = systemErrorText(ERROR_PATH_NOT_FOUND);
#else
  std::u16string accessDenied = systemErrorText(EISDIR);
  std::u16string pathNotFound = systemErrorText(ENOENT);
#endif
  makeTestDir(dir.path + "/folder.csv");
  Case cases[] = {
      {"target is a folder", &golden.tree, dir.path + "/folder.csv", accessDenied},
      {"missing parent folder", &golden.tree, dir.path + "/missing/out.csv", pathNotFound},
      {"empty tree", &empty.tree, dir.path + "/empty.csv", u"Stopped."},
  };
  for (const Case& c : cases) {
    ExportFailure failure;
    ScanProgress progress;
    EXPECT_FALSE(exportCsvWithVolume(*c.tree, u16(c.path), goldenVolume(), progress, failure)) << c.what;
    std::u16string error = exportFailureText(failure);
    EXPECT_EQ(u8(error), u8(c.error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    if (std::string(c.what) != "target is a folder") {
      EXPECT_FALSE(fileExists(c.path)) << c.what;
    }
  }
}

TEST(CsvExport, CancelHalfwayLeavesNoFile) {
  TempDir dir;
  TreeHolder holder;
  buildRandomTree(holder.tree, 7, 300000);
  std::string path = dir.path + "/cancelled.csv";
  ScanProgress progress;
  std::atomic<bool> finished{false};
  std::thread stopper([&] {
    while (!finished.load()) {
      int64_t total = progress.total.load();
      if (total > 0 && progress.done.load() >= total / 2) {
        progress.cancel.store(1);
        return;
      }
    }
  });
  std::u16string error;
  bool ok = exportTo(holder.tree, path, error, &progress);
  finished = true;
  stopper.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(u8(error), "Stopped.");
  EXPECT_LT(progress.done.load(), progress.total.load());
  EXPECT_FALSE(fileExists(path));
}

namespace {
// The names in a folder, so a test sees that no temporary file was left behind.
std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
}  // namespace

TEST(CsvExport, AFailedExportLeavesTheExistingFileByteForByte) {
  TempDir dir;
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  TreeHolder empty;
  const std::string previous = "\xEF\xBB\xBF" "an earlier export the user keeps\r\n" + std::string(5000, 'k');
  struct Case {
    const char* what;
    const Tree* tree;
    bool cancel;
    const char* error;
  } cases[] = {
      {"stopped at the first row", &golden.tree, true, "Stopped."},
      {"empty tree", &empty.tree, false, "Stopped."},
  };
  for (const Case& c : cases) {
    std::string path = dir.path + "/kept.csv";
    writeTestFile(path, previous);
    ScanProgress progress;
    progress.cancel.store(c.cancel ? 1 : 0);
    std::u16string error;
    EXPECT_FALSE(exportTo(*c.tree, path, error, &progress)) << c.what;
    EXPECT_EQ(u8(error), c.error) << c.what;
    EXPECT_EQ(readFile(path), previous) << c.what;
    EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"kept.csv"}) << c.what << ": a temporary file is left";
  }
}

TEST(CsvExport, ASuccessfulExportLeavesOnlyTheTarget) {
  TempDir dir;
  TreeHolder holder;
  buildRandomTree(holder.tree, 5, 3000);
  std::string path = dir.path + "/out.csv";
  writeTestFile(path, "old");
  std::u16string error;
  ASSERT_TRUE(exportTo(holder.tree, path, error)) << u8(error);
  EXPECT_EQ(splitRows(readFile(path)).size(), static_cast<size_t>(holder.tree.fileCount + holder.tree.folderCount + 1));
  EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"out.csv"});
}

#if defined(_WIN32)
TEST(CsvExport, AReadOnlyFileIsRefusedAndKept) {
  TempDir dir;
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  std::string path = dir.path + "/protected.csv";
  writeTestFile(path, "keep me");
  std::u16string path16 = u16(path);
  std::wstring wide(path16.begin(), path16.end());
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  std::u16string error;
  EXPECT_FALSE(exportTo(golden.tree, path, error));
  EXPECT_EQ(u8(error), u8(systemErrorText(ERROR_ACCESS_DENIED)));
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(readFile(path), "keep me");
  EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"protected.csv"});
}

TEST(CsvExport, ADeviceIsWrittenIntoAndNeverRemoved) {
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  std::u16string error;
  EXPECT_TRUE(exportTo(golden.tree, "NUL", error)) << u8(error);
}
#else
TEST(CsvExport, ADeviceIsWrittenIntoAndNeverRemoved) {
  TempDir dir;
  // A private copy of /dev/full: every write fails with "No space left on device".
  std::string full = dir.path + "/full";
  if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "SKIPPED LOUDLY: mknod needs root";
  int probe = open(full.c_str(), O_WRONLY);
  if (probe < 0) GTEST_SKIP() << "SKIPPED LOUDLY: devices cannot be opened on this file system";
  close(probe);
  TreeHolder holder;
  buildRandomTree(holder.tree, 3, 20000);
  std::u16string error;
  EXPECT_FALSE(exportTo(holder.tree, full, error));
  EXPECT_EQ(u8(error), u8(systemErrorText(ENOSPC)));
  struct stat info;
  ASSERT_EQ(lstat(full.c_str(), &info), 0) << "the device was removed";
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(info.st_rdev, makedev(1, 7));
  EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"full"});
}

TEST(CsvExport, APipeReceivesTheFileAndStaysAPipe) {
  if (!useFixedTimeZone()) GTEST_SKIP();
  TempDir dir;
  std::string pipe = dir.path + "/pipe.csv";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    int fd = open(pipe.c_str(), O_RDONLY);
    char buffer[4096];
    for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;) received.append(buffer, size_t(n));
    if (fd >= 0) close(fd);
  });
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  std::u16string error;
  bool ok = exportTo(golden.tree, pipe, error);
  reader.join();
  EXPECT_TRUE(ok) << u8(error);
  EXPECT_EQ(received, goldenText());
  struct stat info;
  ASSERT_EQ(lstat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(namesIn(dir.path), std::vector<std::string>{"pipe.csv"});
}

TEST(CsvExport, ALinkKeepsPointingAtTheReplacedFile) {
  if (!useFixedTimeZone()) GTEST_SKIP();
  TempDir dir;
  writeTestFile(dir.path + "/real/report.csv", "old");
  ASSERT_EQ(symlink("real/report.csv", (dir.path + "/link.csv").c_str()), 0);
  ASSERT_EQ(chmod((dir.path + "/real/report.csv").c_str(), 0640), 0);
  TreeHolder golden;
  buildGoldenTree(golden.tree);
  std::u16string error;
  ASSERT_TRUE(exportTo(golden.tree, dir.path + "/link.csv", error)) << u8(error);
  struct stat info;
  ASSERT_EQ(lstat((dir.path + "/link.csv").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(readFile(dir.path + "/real/report.csv"), goldenText());
  ASSERT_EQ(stat((dir.path + "/real/report.csv").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u) << "the replaced file keeps its permissions";
  EXPECT_EQ(namesIn(dir.path + "/real"), std::vector<std::string>{"report.csv"});
}

// A small tmpfs shows the disk-full and read-only paths on a real file system.
struct SmallMount {
  std::string path;
  bool mounted = false;
  SmallMount(const std::string& where, const char* options) : path(where) {
    makeTestDir(path);
    mounted = mount("tmpfs", path.c_str(), "tmpfs", std::string(options).find("ro") == 0 ? MS_RDONLY : 0,
                    std::string(options).find("ro") == 0 ? "size=64k" : options) == 0;
  }
  ~SmallMount() {
    if (mounted) umount(path.c_str());
  }
};

TEST(CsvExport, FullDiskFailsWithTheSystemMessageAndNoFile) {
  TempDir dir;
  SmallMount disk(dir.path + "/small", "size=64k");
  if (!disk.mounted) GTEST_SKIP() << "SKIPPED LOUDLY: cannot mount a small tmpfs (needs root)";
  TreeHolder holder;
  buildRandomTree(holder.tree, 11, 20000);
  std::string path = disk.path + "/full.csv";
  std::u16string error;
  EXPECT_FALSE(exportTo(holder.tree, path, error));
  EXPECT_EQ(u8(error), u8(systemErrorText(ENOSPC)));
  EXPECT_FALSE(fileExists(path));
  EXPECT_TRUE(namesIn(disk.path).empty());
}

TEST(CsvExport, FullDiskKeepsTheExistingFileByteForByte) {
  TempDir dir;
  SmallMount disk(dir.path + "/small", "size=64k");
  if (!disk.mounted) GTEST_SKIP() << "SKIPPED LOUDLY: cannot mount a small tmpfs (needs root)";
  std::string path = disk.path + "/kept.csv";
  const std::string previous = "an export from last week\r\n" + std::string(8000, 'w');
  writeTestFile(path, previous);
  TreeHolder holder;
  buildRandomTree(holder.tree, 11, 20000);
  std::u16string error;
  EXPECT_FALSE(exportTo(holder.tree, path, error));
  EXPECT_EQ(u8(error), u8(systemErrorText(ENOSPC)));
  EXPECT_EQ(readFile(path), previous);
  EXPECT_EQ(namesIn(disk.path), std::vector<std::string>{"kept.csv"});
}

TEST(CsvExport, ReadOnlyLocationFailsWithTheSystemMessage) {
  TempDir dir;
  std::string path;
  uint32_t expected;
  SmallMount disk(dir.path + "/ro", "ro");
  if (geteuid() != 0) {
    makeTestDir(dir.path + "/locked");
    chmod((dir.path + "/locked").c_str(), 0555);
    path = dir.path + "/locked/out.csv";
    expected = EACCES;
  } else {
    if (!disk.mounted) GTEST_SKIP() << "SKIPPED LOUDLY: cannot mount a read-only tmpfs";
    path = disk.path + "/out.csv";
    expected = EROFS;
  }
  TreeHolder holder;
  buildGoldenTree(holder.tree);
  std::u16string error;
  EXPECT_FALSE(exportTo(holder.tree, path, error));
  EXPECT_EQ(u8(error), u8(systemErrorText(expected)));
  EXPECT_FALSE(fileExists(path));
}
#endif
