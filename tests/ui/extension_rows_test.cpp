#include "ui/extension_rows.h"

#include "list_fixture.h"
#include "ui/file_rows.h"
#include <algorithm>

namespace {

class ExtensionRowsTest : public UiTest {
 protected:
  ListTree lt;
  ExtensionRows rows;
  void build(int32_t viewRoot, bool onDisk = false, const std::vector<float>* weights = nullptr) {
    buildExtensionRows(rows, lt.tree(), viewRoot, weights ? weights->data() : nullptr, weights ? weights->size() : 0,
                       onDisk);
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> out;
    for (int64_t row = 0; row < static_cast<int64_t>(rows.order.size()); row++)
      out.push_back(narrow(extensionRow(rows, row)->extension));
    return out;
  }
  int64_t rowOf(std::u16string_view extension) const {
    for (int64_t row = 0; row < static_cast<int64_t>(rows.order.size()); row++)
      if (extensionRow(rows, row)->extension == extension) return row;
    return -1;
  }
};

TEST_F(ExtensionRowsTest, OneRowPerTypeWithTheUntypedBucket) {
  build(lt.root);
  // The 17-unit type counts nowhere; notes. (trailing dot), README and .gitignore have none.
  std::vector<std::string> expected{"jpg", "mp4", "pdf", "gz", "mp3", "", "ogg"};
  EXPECT_EQ(shown(), expected);
  const ExtensionEntry* jpg = extensionRow(rows, 0);
  EXPECT_EQ(jpg->fileCount, 3u) << "b.JPG and both a.jpg";
  EXPECT_EQ(jpg->bytes, 21000);
  const ExtensionEntry* none = extensionRow(rows, rowOf(u""));
  EXPECT_EQ(none->fileCount, 3u);
  EXPECT_EQ(none->bytes, 450);
  EXPECT_EQ(extensionRow(rows, 7), nullptr);
  EXPECT_EQ(extensionRow(rows, -1), nullptr);

  build(lt.zeta);
  expected = {"pdf", ""};
  EXPECT_EQ(shown(), expected) << "only the view's files";
}

TEST_F(ExtensionRowsTest, SizesInTheOnDiskModeAndWeightsLeaveFilesOut) {
  setOnDisk(lt.tree(), lt.clip, 0);
  std::vector<float> weights(static_cast<size_t>(lt.tree().nodeCount), 1.0f);
  weights[lt.clip] = 0;   // online-only: weighs nothing on disk
  weights[lt.song] = 0;   // filtered out
  build(lt.root, true, &weights);
  std::vector<std::string> expected{"jpg", "", "pdf", "gz", "ogg"};
  EXPECT_EQ(shown(), expected);
  EXPECT_EQ(extensionRow(rows, 0)->bytes, 3 * 4096);
  EXPECT_EQ(extensionRow(rows, 1)->bytes, 3 * 4096) << "notes., README and .gitignore take 4096 each: a tie with jpg";
}

struct SortCase {
  int32_t column;
  bool ascending;
  std::vector<const char*> order;
};

TEST_F(ExtensionRowsTest, EveryColumnWithItsTieBreaks) {
  build(lt.root);
  const SortCase cases[] = {
      {kExtensionName, true, {"", "gz", "jpg", "mp3", "mp4", "ogg", "pdf"}},
      {kExtensionName, false, {"pdf", "ogg", "mp4", "mp3", "jpg", "gz", ""}},
      // Category names: none, archives, audio (mp3 before ogg by size), documents, images, video.
      {kExtensionCategory, true, {"", "gz", "mp3", "ogg", "pdf", "jpg", "mp4"}},
      {kExtensionCategory, false, {"mp4", "jpg", "pdf", "mp3", "ogg", "gz", ""}},
      // Three files each: jpg and the bucket, the larger first either way.
      {kExtensionFiles, false, {"jpg", "", "pdf", "mp4", "gz", "mp3", "ogg"}},
      {kExtensionFiles, true, {"mp4", "gz", "mp3", "ogg", "pdf", "jpg", ""}},
      {kExtensionSize, true, {"ogg", "", "mp3", "gz", "pdf", "mp4", "jpg"}},
      {kExtensionShare, false, {"jpg", "mp4", "pdf", "gz", "mp3", "", "ogg"}},
  };
  for (const SortCase& c : cases) {
    rows.sortedColumn = c.column;
    rows.ascending = c.ascending;
    sortExtensionRows(rows);
    std::vector<std::string> expected(c.order.begin(), c.order.end());
    EXPECT_EQ(shown(), expected) << "column " << c.column << (c.ascending ? " up" : " down");
  }
}

TEST_F(ExtensionRowsTest, EqualSizesKeepTheOrderOfAppearance) {
  TestTree t;
  int32_t root = t.root(u"C:\\");
  int32_t first = t.folder(root, u"first");
  t.file(first, u"one.xyz", 100);
  t.file(first, u"pad", 900);
  t.file(root, u"two.abc", 100);
  finalizeTree(t.tree);
  for (int32_t column : {kExtensionSize, kExtensionFiles}) {
    for (bool ascending : {false, true}) {
      rows.sortedColumn = column;
      rows.ascending = ascending;
      buildExtensionRows(rows, t.tree, root, nullptr, 0, false);
      ASSERT_EQ(rows.order.size(), 3u);
      int64_t xyz = -1, abc = -1;
      for (int64_t r = 0; r < 3; r++) {
        if (extensionRow(rows, r)->extension == u"xyz") xyz = r;
        if (extensionRow(rows, r)->extension == u"abc") abc = r;
      }
      EXPECT_LT(xyz, abc) << "met first in the walk; column " << column << (ascending ? " up" : " down");
    }
  }
}

struct ClickCase {
  int32_t column;
  int32_t sorted;
  bool ascending;
};

TEST_F(ExtensionRowsTest, HeaderClicksTurnOrChooseTheDirection) {
  build(lt.root);
  ASSERT_EQ(rows.sortedColumn, kExtensionSize);
  ASSERT_FALSE(rows.ascending);
  const ClickCase clicks[] = {
      {kExtensionShare, kExtensionShare, true},     // between Size and Share: toggled
      {kExtensionShare, kExtensionShare, false},    // the sorted column: toggled
      {kExtensionSize, kExtensionSize, true},       // Share descending, then Size: ascending
      {kExtensionFiles, kExtensionFiles, false},    // then Files: descending
      {kExtensionName, kExtensionName, true},
      {kExtensionName, kExtensionName, false},
      {kExtensionCategory, kExtensionCategory, true},
      {kExtensionSize, kExtensionSize, false},      // from a text column: Size descending
      {kExtensionShare, kExtensionShare, true},
      {kExtensionFiles, kExtensionFiles, false},
  };
  for (const ClickCase& c : clicks) {
    ASSERT_TRUE(extensionsColumnClicked(rows, c.column));
    EXPECT_EQ(rows.sortedColumn, c.sorted);
    EXPECT_EQ(rows.ascending, c.ascending) << "after clicking " << c.column;
  }
  EXPECT_FALSE(extensionsColumnClicked(rows, kExtensionColumnCount));
  std::vector<std::string> expected{"jpg", "", "pdf", "mp4", "gz", "mp3", "ogg"};
  EXPECT_EQ(shown(), expected) << "sorted by the last click";
}

TEST_F(ExtensionRowsTest, RowsToNodesGroupsFilesRowByRow) {
  build(lt.root);
  std::vector<int32_t> walk;
  collectFiles(lt.tree(), lt.root, nullptr, 0, walk);
  std::vector<int32_t> expected;
  for (int32_t n : walk)
    if (n == lt.notes || n == lt.readme || n == lt.gitignore) expected.push_back(n);
  for (int32_t n : walk)
    if (n == lt.bJpg || n == lt.aJpg || n == lt.deepJpg) expected.push_back(n);
  std::vector<int32_t> got =
      extensionRowsToNodes(rows, {rowOf(u""), rowOf(u"jpg"), 99, rowOf(u"")}, lt.tree(), lt.root, nullptr, 0);
  EXPECT_EQ(got, expected) << "the bucket first as given; a row past the end and a repeated row add nothing";
  EXPECT_TRUE(extensionRowsToNodes(rows, {}, lt.tree(), lt.root, nullptr, 0).empty());
  EXPECT_TRUE(std::find(got.begin(), got.end(), lt.longType) == got.end()) << "its type is in no row";
}

}  // namespace
