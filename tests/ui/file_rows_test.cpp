#include "ui/file_rows.h"

#include "list_fixture.h"
#include <algorithm>
#include <random>

namespace {

class FileRowsTest : public UiTest {
 protected:
  ListTree lt;
  FileRows rows;
  std::vector<int32_t> ranks;

  FileOrder order(bool onDisk = false) { return {&lt.tree(), onDisk, ranks.empty() ? nullptr : ranks.data()}; }
  std::vector<int32_t> sorted(FileSortKey key, bool ascending, bool onDisk = false) {
    collectFiles(lt.tree(), lt.root, nullptr, 0, rows.nodes);
    rows.key = key;
    rows.ascending = ascending;
    if (key == FileSortKey::Folder) buildFolderRanks(lt.tree(), ranks);
    sortFileRows(rows, order(onDisk));
    return rows.nodes;
  }
};

TEST_F(FileRowsTest, CollectsEveryFileBelowTheViewRootDepthFirst) {
  collectFiles(lt.tree(), lt.alpha, nullptr, 0, rows.nodes);
  // Children are ordered by size after finalizing: clip, deep (7000), then the 7000s by index.
  std::vector<int32_t> expected{lt.clip, lt.deepJpg, lt.bJpg, lt.aJpg};
  EXPECT_EQ(rows.nodes, expected);
  collectFiles(lt.tree(), lt.root, nullptr, 0, rows.nodes);
  EXPECT_EQ(rows.nodes.size(), 13u);
  collectFiles(lt.tree(), lt.readme, nullptr, 0, rows.nodes);
  EXPECT_TRUE(rows.nodes.empty()) << "a file as view root lists nothing";
}

TEST_F(FileRowsTest, WeightsLeaveOutWhatWeighsNothing) {
  std::vector<float> weights(static_cast<size_t>(lt.tree().nodeCount), 0.0f);
  for (int32_t n : {lt.root, lt.alpha, lt.clip, lt.aJpg, lt.zeta, lt.notes}) weights[n] = 1;
  weights[lt.deep] = 0;
  weights[lt.deepJpg] = 7000;   // inside a folder that weighs nothing: never reached
  collectFiles(lt.tree(), lt.root, weights.data(), weights.size(), rows.nodes);
  std::vector<int32_t> expected{lt.clip, lt.aJpg, lt.notes};
  EXPECT_EQ(rows.nodes, expected);
}

struct OrderCase {
  FileSortKey key;
  bool ascending;
  std::vector<const char*> names;   // folder-relative names in the expected order
};

TEST_F(FileRowsTest, EveryKeyInBothDirectionsWithItsTieBreaks) {
  auto name = [&](int32_t n) { return narrow(nodeName(lt.tree(), n)); };
  const OrderCase cases[] = {
      // Size: equal sizes keep the lower node index first, whatever the direction.
      {FileSortKey::Size, false,
       {"clip.mp4", "archive.tar.gz", "b.JPG", "a.jpg", "a.jpg", "Report.PDF", "report.pdf", "song.mp3",
        "\xF0\x9D\x84\x9E.ogg", "notes.", "README", ".gitignore", "x.abcdefghijklmnopq"}},
      {FileSortKey::Size, true,
       {"x.abcdefghijklmnopq", ".gitignore", "README", "notes.", "\xF0\x9D\x84\x9E.ogg", "song.mp3", "Report.PDF",
        "report.pdf", "b.JPG", "a.jpg", "a.jpg", "archive.tar.gz", "clip.mp4"}},
      // Name: case-insensitive; equal names fall through to size, then index; the
      // non-BMP name sorts by its surrogate units, after ASCII.
      {FileSortKey::Name, true,
       {".gitignore", "a.jpg", "a.jpg", "archive.tar.gz", "b.JPG", "clip.mp4", "notes.", "README", "Report.PDF",
        "report.pdf", "song.mp3", "x.abcdefghijklmnopq", "\xF0\x9D\x84\x9E.ogg"}},
      {FileSortKey::Name, false,
       {"\xF0\x9D\x84\x9E.ogg", "x.abcdefghijklmnopq", "song.mp3", "Report.PDF", "report.pdf", "README", "notes.",
        "clip.mp4", "b.JPG", "archive.tar.gz", "a.jpg", "a.jpg", ".gitignore"}},
      // Type: no type (README, .gitignore, notes.) is the empty type, first ascending.
      {FileSortKey::Type, true,
       {"notes.", "README", ".gitignore", "x.abcdefghijklmnopq", "archive.tar.gz", "b.JPG", "a.jpg", "a.jpg",
        "song.mp3", "clip.mp4", "\xF0\x9D\x84\x9E.ogg", "Report.PDF", "report.pdf"}},
  };
  for (const OrderCase& c : cases) {
    std::vector<int32_t> got = sorted(c.key, c.ascending);
    ASSERT_EQ(got.size(), c.names.size());
    for (size_t i = 0; i < got.size(); i++)
      EXPECT_EQ(name(got[i]), c.names[i]) << "key " << int(c.key) << (c.ascending ? " up" : " down") << " row " << i;
  }
  // The two a.jpg files (equal name and size, different folders): the lower index first both ways.
  for (bool ascending : {true, false}) {
    std::vector<int32_t> got = sorted(FileSortKey::Name, ascending);
    auto first = std::find(got.begin(), got.end(), lt.aJpg), second = std::find(got.begin(), got.end(), lt.deepJpg);
    EXPECT_LT(first, second) << (ascending ? "ascending" : "descending");
  }
}

TEST_F(FileRowsTest, DateKeyWithFilesThatHaveNoTime) {
  const int64_t day = 864000000000;
  setTimeAndAttributes(lt.tree(), lt.clip, kUnixEpochFiletime + 3 * day, 0);
  setTimeAndAttributes(lt.tree(), lt.song, kUnixEpochFiletime + 5 * day, 0);
  std::vector<int32_t> got = sorted(FileSortKey::Date, false);
  EXPECT_EQ(got[0], lt.song);
  EXPECT_EQ(got[1], lt.clip);
  EXPECT_EQ(got[2], lt.archive) << "then the files without a time, larger first";
  got = sorted(FileSortKey::Date, true);
  EXPECT_EQ(got[11], lt.clip);
  EXPECT_EQ(got[12], lt.song);
  EXPECT_EQ(got[0], lt.archive);
}

TEST_F(FileRowsTest, FolderKeyFollowsFolderNamesNotSizes) {
  buildFolderRanks(lt.tree(), ranks);
  // Root first, then its subfolders by name: Alpha (and its deep), alpha2, zeta.
  EXPECT_EQ(ranks[lt.root], 0);
  EXPECT_EQ(ranks[lt.alpha], 1);
  EXPECT_EQ(ranks[lt.deep], 2);
  EXPECT_EQ(ranks[lt.alpha2], 3);
  EXPECT_EQ(ranks[lt.zeta], 4);
  EXPECT_EQ(ranks[lt.clip], -1) << "files have no rank";

  std::vector<int32_t> got = sorted(FileSortKey::Folder, true);
  std::vector<int32_t> expected{lt.gitignore, lt.archive, lt.readme, lt.longType, lt.clef,   // in the root, by name
                                lt.aJpg, lt.bJpg, lt.clip,                                  // Alpha
                                lt.deepJpg, lt.song,                                        // Alpha\deep, alpha2
                                lt.notes, lt.reportUpper, lt.reportLower};                  // zeta
  EXPECT_EQ(got, expected);
  got = sorted(FileSortKey::Folder, false);
  std::vector<int32_t> reversed{lt.reportUpper, lt.reportLower, lt.notes, lt.song, lt.deepJpg,
                                lt.clip, lt.bJpg, lt.aJpg, lt.clef, lt.longType, lt.readme, lt.archive, lt.gitignore};
  EXPECT_EQ(got, reversed) << "names reverse with the folders; equal names keep size, then index";
}

TEST_F(FileRowsTest, FolderRanksOfNamesEqualButForCaseFollowTheIndex) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t upper = t.folder(root, u"DATA"), lower = t.folder(root, u"data"), early = t.folder(root, u"b");
  t.file(lower, u"x", 5);
  finalizeTree(t.tree);
  buildFolderRanks(t.tree, ranks);
  EXPECT_EQ(ranks[early], 1);
  EXPECT_EQ(ranks[upper], 2);
  EXPECT_EQ(ranks[lower], 3);
}

struct ClickCase {
  int32_t column;
  FileSortKey key;
  bool ascending;
};

TEST_F(FileRowsTest, HeaderClicksToggleOrChooseTheDefaultDirection) {
  // From the initial Size descending, one click after another.
  const ClickCase clicks[] = {
      {kFileShare, FileSortKey::Size, true},      // Share has the size key: it toggles
      {kFileSize, FileSortKey::Size, false},
      {kFileName, FileSortKey::Name, true},
      {kFileName, FileSortKey::Name, false},
      {kFileDate, FileSortKey::Date, false},
      {kFileType, FileSortKey::Type, true},
      {kFileFolder, FileSortKey::Folder, true},
      {kFileFolder, FileSortKey::Folder, false},
      {kFileShare, FileSortKey::Size, false},
  };
  for (const ClickCase& c : clicks) {
    rows.ordered = 7;
    ASSERT_TRUE(filesColumnClicked(rows, c.column));
    EXPECT_EQ(rows.key, c.key) << c.column;
    EXPECT_EQ(rows.ascending, c.ascending) << c.column;
    EXPECT_EQ(rows.sortedColumn, c.column);
    EXPECT_EQ(rows.ordered, 0u) << "the rows are to be sorted again";
  }
  EXPECT_FALSE(filesColumnClicked(rows, kFileColumnCount));
  EXPECT_FALSE(filesColumnClicked(rows, -1));
}

// A view with 25 000 files: scrolling to the end shows rows in order all the way, the
// prefix growing by 10 000 past the row asked for.
TEST_F(FileRowsTest, ThePrefixGrowsOnDemandAndStaysInOrder) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  std::mt19937 random(7);
  for (int f = 0; f < 5; f++) {
    int32_t folder = t.folder(root, u"f" + std::u16string(1, char16_t(u'0' + f)));
    for (int i = 0; i < 5000; i++) {
      std::u16string name = u"n" + std::u16string(1, char16_t(u'a' + random() % 26)) + u".bin";
      t.file(folder, name, static_cast<int64_t>(random() % 3000));   // many equal sizes
    }
  }
  finalizeTree(t.tree);
  FileOrder ord{&t.tree, false, nullptr};
  collectFiles(t.tree, root, nullptr, 0, rows.nodes);
  ASSERT_EQ(rows.nodes.size(), 25000u);
  std::vector<int32_t> full = rows.nodes;
  for (FileSortKey key : {FileSortKey::Size, FileSortKey::Name}) {
    rows.key = key;
    rows.ascending = key == FileSortKey::Name;
    std::sort(full.begin(), full.end(), [&](int32_t a, int32_t b) { return fileComesBefore(rows, ord, a, b); });
    sortFileRows(rows, ord);
    EXPECT_EQ(rows.ordered, 10000u);
    EXPECT_EQ(fileRowNode(rows, ord, 9999), full[9999]);
    EXPECT_EQ(rows.ordered, 10000u) << "inside the prefix nothing is sorted";
    EXPECT_EQ(fileRowNode(rows, ord, 10000), full[10000]);
    EXPECT_EQ(rows.ordered, 20000u);
    for (int64_t row = 0; row < 25000; row++) ASSERT_EQ(fileRowNode(rows, ord, row), full[row]) << row;
    EXPECT_EQ(rows.ordered, 25000u);
    EXPECT_EQ(fileRowNode(rows, ord, 25000), -1);
    EXPECT_EQ(fileRowNode(rows, ord, -1), -1);
  }
}

TEST_F(FileRowsTest, RowsToNodesOrdersThroughTheLastRowGiven) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  for (int i = 0; i < 12000; i++) t.file(root, u"x", 12000 - i);
  finalizeTree(t.tree);
  FileOrder ord{&t.tree, false, nullptr};
  collectFiles(t.tree, root, nullptr, 0, rows.nodes);
  rows.key = FileSortKey::Size;
  rows.ascending = true;   // smallest first: the last node added comes first
  sortFileRows(rows, ord);
  std::vector<int32_t> nodes = fileRowsToNodes(rows, ord, {11999, 0, 5, 12000});
  EXPECT_EQ(rows.ordered, 12000u);
  std::vector<int32_t> expected{1, 12000, 11995};
  EXPECT_EQ(nodes, expected) << "in the order given; a row past the end is left out";
}

TEST_F(FileRowsTest, OnDiskSizesOrderInTheOnDiskMode) {
  setOnDisk(lt.tree(), lt.clip, 0);   // online-only
  std::vector<int32_t> got = sorted(FileSortKey::Size, false, true);
  EXPECT_EQ(got.back(), lt.clip) << "0 bytes on disk";
  EXPECT_EQ(got.front(), lt.reportUpper) << "every other file takes 4096 on disk: index order";
}

}  // namespace
