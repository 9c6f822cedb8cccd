// The drive list: labels of drives without one, CSV files standing in for drives
// (their title, first row and file name), the order by letter, and the real drives
// of the machine the tests run on.
#include "engine/drives.h"
#include "platform/scan_path.h"
#include "engine/tree.h"
#include "base/utf.h"
#include "tests/support/temp_dir.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {
const bool kWindows = kPathSeparator == u'\\';
constexpr std::string_view kHeader =
    "File Name,Size,Allocated,Modified,Attributes,Files,Folders,DRIVECAPACITY,FREESPACE,USEDSPACE,RESERVEDSPACE\r\n";

// An export as the program writes it: byte-order mark, title, column header, root row.
std::string exportText(std::string_view label, std::string_view fileSystem, std::string_view root,
                       int64_t capacity, int64_t freeBytes) {
  std::string text = "\xEF\xBB\xBFMossbloom export \xC2\xB7 ";
  text.append(label).append(" \xC2\xB7 ").append(fileSystem).append("\r\n").append(kHeader);
  text.append("\"").append(root).append("\",1000,4096,2024/03/05 14:07:09,16,3,1,");
  text.append(std::to_string(capacity)).append(",").append(std::to_string(freeBytes)).append(",");
  text.append(std::to_string(capacity - freeBytes)).append(",0\r\n");
  return text;
}

// Another program's export: no title, the column header on the first line.
std::string untitledText(std::string_view root) {
  std::string text(kHeader);
  text.append("\"").append(root).append("\",1,4096,2024/03/05 14:07:09,16,1,0,500,200,300,0\r\n");
  return text;
}

DriveEntry fromText(std::u16string_view path, const std::string& text, bool& ok) {
  DriveEntry entry;
  ok = driveFromCsvStart(path, reinterpret_cast<const uint8_t*>(text.data()), text.size(), entry);
  return entry;
}
}  // namespace

TEST(DriveList, VolumesWithoutLabelAreNamedByTheirKind) {
  std::vector<DriveVolume> volumes(3);
  volumes[0] = {u"C:\\", u"", u"NTFS", 1000, 400, u'C', false};
  volumes[1] = {u"E:\\", u"", u"FAT32", 100, 50, u'E', true};
  volumes[2] = {u"F:\\", u"Photos", u"exFAT", 10, 5, u'F', true};
  std::vector<DriveEntry> drives = drivesFromVolumes(volumes);
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(utf8FromUtf16(drives[0].label), "Local Disk");
  EXPECT_EQ(utf8FromUtf16(drives[1].label), "Removable Disk");
  EXPECT_EQ(utf8FromUtf16(drives[2].label), "Photos");
  EXPECT_EQ(drives[0].letter, u'C');
  EXPECT_EQ(utf8FromUtf16(drives[0].rootPath), "C:\\");
  EXPECT_EQ(utf8FromUtf16(drives[0].fileSystem), "NTFS");
  EXPECT_EQ(drives[0].totalBytes, 1000);
  EXPECT_EQ(drives[0].freeBytes, 400);
  EXPECT_TRUE(drives[0].csvPath.empty());
  EXPECT_EQ(utf8FromUtf16(driveName(drives[1])), "E");
  // Natively a drive is a mount point, named by its path.
  std::vector<DriveEntry> mounts = drivesFromVolumes({{u"/media/stick", u"", u"vfat", 8, 4, 0, true}});
  EXPECT_EQ(utf8FromUtf16(driveName(mounts[0])), "/media/stick");
  // Sizes beyond the signed range stay at its top.
  EXPECT_EQ(drivesFromVolumes({{u"G:\\", u"", u"NTFS", ~0ull, ~0ull, u'G', false}})[0].totalBytes, INT64_MAX);
}

TEST(DriveList, LabelFromTheCsvFileName) {
  const struct {
    std::u16string_view path;
    const char* label;
  } cases[] = {
      {u"Local Disk (C).csv", "Local Disk"},
      {u"C:\\exports\\Backup (D) (E).csv", "Backup (D)"},
      {u"/home/u/Photos (F).CSV", "Photos"},
      {u"(C).csv", "Local Disk"},        // nothing before " ("
      {u" (C).csv", ""},                 // an empty text before " (" is what the name says
      {u"Scan of C.csv", "Local Disk"},  // no ")" before the extension
      {u"Data (C)", "Data"},             // no extension: the whole name is the stem
      {u"x (C).csv.bak", "Local Disk"},  // the stem is "x (C).csv"
      {u"a (b)/plain.csv", "Local Disk"},  // only the file's own name counts
  };
  for (const auto& c : cases) EXPECT_EQ(utf8FromUtf16(labelFromCsvFileName(c.path)), c.label) << utf8FromUtf16(c.path);
}

TEST(DriveList, CsvStartGivesTheDriveFacts) {
  bool ok = false;
  DriveEntry d = fromText(u"x.csv", exportText("Data", "NTFS", "d:\\", 5000, 1200), ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(d.letter, u'D');   // upper case whatever the file says
  EXPECT_EQ(utf8FromUtf16(d.label), "Data");
  EXPECT_EQ(utf8FromUtf16(d.fileSystem), "NTFS");
  EXPECT_EQ(utf8FromUtf16(d.csvPath), "x.csv");
  EXPECT_EQ(d.totalBytes, 5000);
  EXPECT_EQ(d.freeBytes, 1200);

  // A title without a label, and a file without any title, take the file's name.
  d = fromText(u"Backup (E).csv", exportText("", "exFAT", "E:\\Photos\\", 10, 5), ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(utf8FromUtf16(d.label), "Backup");
  EXPECT_EQ(utf8FromUtf16(d.rootPath), "E:\\Photos");
  d = fromText(u"other.csv", untitledText("C:\\"), ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(d.letter, u'C');
  EXPECT_EQ(utf8FromUtf16(d.label), "Local Disk");
  EXPECT_TRUE(d.fileSystem.empty());
  EXPECT_EQ(d.totalBytes, 500);

  // No drive: a UNC root, a root that is no letter, no export at all, a cut header.
  for (const std::string& text : {exportText("Share", "NTFS", "\\\\server\\share\\", 1, 1),
                                  exportText("Odd", "NTFS", "1:\\", 1, 1), std::string("a,b,c\r\n1,2,3\r\n"),
                                  std::string(""), exportText("Data", "NTFS", "D:\\", 1, 1).substr(0, 60)}) {
    fromText(u"no.csv", text, ok);
    EXPECT_FALSE(ok) << text;
  }
  // A native export stands for its mount point natively; Windows has no drive for it.
  d = fromText(u"srv.csv", exportText("", "ext4", "/srv/data/", 100, 50), ok);
  EXPECT_EQ(ok, !kWindows);
  if (ok) {
    EXPECT_EQ(d.letter, 0);
    EXPECT_EQ(utf8FromUtf16(driveName(d)), "/srv/data");
  }
}

TEST(DriveList, ImportFolderListsItsCsvFilesByLetter) {
  TempDir temp;
  const std::string folder = temp.path + "/exports";
  writeTestFile(folder + "/Local Disk (E).csv", untitledText("E:\\"));
  writeTestFile(folder + "/second c.csv", exportText("Second", "NTFS", "C:\\Users", 10, 1));
  writeTestFile(folder + "/first c.CSV", exportText("First", "NTFS", "C:\\", 10, 1));
  writeTestFile(folder + "/b.csv", exportText("Bee", "FAT32", "B:\\", 10, 1));
  writeTestFile(folder + "/notes.txt", exportText("Notes", "NTFS", "A:\\", 10, 1));
  writeTestFile(folder + "/broken.csv", "not an export\r\n");
  writeTestFile(folder + "/empty.csv", "");
  makeTestDir(folder + "/folder.csv");
  writeTestFile(folder + "/folder.csv/inner.csv", exportText("Inner", "NTFS", "A:\\", 10, 1));

  std::vector<std::u16string> files = listImportFiles(utf16FromUtf8(folder));
  std::vector<DriveEntry> drives = enumerateDrives(utf16FromUtf8(folder));
  ASSERT_EQ(drives.size(), 4u);
  std::vector<std::string> labels;
  for (const DriveEntry& d : drives) labels.push_back(utf8FromUtf16(d.label) + " " + char(d.letter));
  // B, the two C files in the order the system listed them, E.
  bool firstListedFirst = std::find(files.begin(), files.end(), drives[1].csvPath) <
                          std::find(files.begin(), files.end(), drives[2].csvPath);
  EXPECT_TRUE(firstListedFirst);
  EXPECT_EQ(labels[0], "Bee B");
  EXPECT_TRUE((labels[1] == "First C" && labels[2] == "Second C") || (labels[1] == "Second C" && labels[2] == "First C"))
      << labels[1] << ", " << labels[2];
  EXPECT_EQ(labels[3], "Local Disk E");
  for (const DriveEntry& d : drives) EXPECT_NE(std::find(files.begin(), files.end(), d.csvPath), files.end());

  // One file given on its own is that file, whatever its name.
  writeTestFile(temp.path + "/single.export", exportText("Single", "NTFS", "S:\\", 10, 1));
  drives = enumerateDrives(utf16FromUtf8(temp.path + "/single.export"));
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].letter, u'S');
  EXPECT_EQ(utf8FromUtf16(drives[0].csvPath), temp.path + "/single.export");
  // A path that is neither gives no entries.
  EXPECT_TRUE(enumerateDrives(utf16FromUtf8(temp.path + "/missing")).empty());
}

TEST(DriveList, ReadsAtMostTheStartOfAFile) {
  TempDir temp;
  std::string text = exportText("Big", "NTFS", "B:\\", 10, 1) + std::string(100000, 'x');
  writeTestFile(temp.path + "/big.csv", text);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(readFileStart(utf16FromUtf8(temp.path + "/big.csv"), 65536, bytes));
  EXPECT_EQ(bytes.size(), 65536u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), text.substr(0, 20));
  ASSERT_TRUE(readFileStart(utf16FromUtf8(temp.path + "/big.csv"), 1 << 20, bytes));
  EXPECT_EQ(bytes.size(), text.size());
  EXPECT_FALSE(readFileStart(utf16FromUtf8(temp.path + "/none.csv"), 10, bytes));
  EXPECT_FALSE(readFileStart(utf16FromUtf8(temp.path), 10, bytes));
}

// The machine's own drives: each one a folder with a file system, in letter order.
TEST(DriveList, MachineDrivesAreFoldersWithAFileSystem) {
  std::vector<DriveEntry> drives = enumerateDrives(u"");
  for (const DriveEntry& d : drives) {
    EXPECT_TRUE(isExistingFolder(d.rootPath)) << utf8FromUtf16(d.rootPath);
    EXPECT_FALSE(d.fileSystem.empty()) << utf8FromUtf16(d.rootPath);
    EXPECT_FALSE(d.label.empty());
    EXPECT_TRUE(d.csvPath.empty());
    EXPECT_LE(d.freeBytes, d.totalBytes);
    if (kWindows) {
      EXPECT_EQ(d.rootPath, (std::u16string{d.letter, u':', u'\\'}));
    } else {
      EXPECT_EQ(d.letter, 0);
    }
  }
  for (size_t i = 1; i < drives.size(); i++) EXPECT_LE(drives[i - 1].letter, drives[i].letter);
  // The Wine prefix always has its C: drive.
  if (kWindows) {
    EXPECT_TRUE(std::any_of(drives.begin(), drives.end(), [](const DriveEntry& d) { return d.letter == u'C'; }));
  }
}
