#include "ui/list_cells.h"

#include "list_fixture.h"
#include "treemap/schemes.h"
#include "ui/extension_rows.h"
#include "ui/lists.h"
#include "ui/navigation.h"

namespace {

// The Windows side converts to local time and formats it by the user's locale; here a
// fixed text that shows which time was asked for.
std::u16string fakeDate(int64_t filetime) { return u"t" + utf16FromUtf8(std::to_string(filetime)); }

class ListCells : public WindowTest {
 protected:
  ListTree lt;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, lt.tree());
    s.currentView = MainView::Files;
    relayout();
    syncLists(s);
  }
  int64_t rowOfNode(int32_t node) {
    for (int64_t row = 0; row < listRowCount(s, MainView::Files); row++)
      if (fileRowNode(s.lists.files, fileOrderOf(s), row) == node) return row;
    return -1;
  }
  std::vector<std::string> fileCells(int32_t node) {
    std::vector<std::string> out;
    for (int32_t column = 0; column < kFileColumnCount; column++)
      out.push_back(narrow(listCellText(s, MainView::Files, rowOfNode(node), column, fakeDate)));
    return out;
  }
  std::vector<std::string> typeCells(int64_t row) {
    std::vector<std::string> out;
    for (int32_t column = 0; column < kExtensionColumnCount; column++)
      out.push_back(narrow(listCellText(s, MainView::Extensions, row, column, fakeDate)));
    return out;
  }
};

struct FileCellCase {
  int32_t ListTree::*node;
  std::vector<std::string> cells;   // Name, Size, Share, Type, Date modified, Folder
};

TEST_F(ListCells, FileRowsFromTheRoot) {
  setTimeAndAttributes(lt.tree(), lt.clip, 133000000000000000, 0);
  // Shares of 61 860 bytes.
  const FileCellCase cases[] = {
      {&ListTree::clip, {"clip.mp4", "20.0 kB", "32.3 %", "mp4", "t133000000000000000", "Alpha"}},
      {&ListTree::deepJpg, {"a.jpg", "7.0 kB", "11.3 %", "jpg", "", "Alpha\\deep"}},
      {&ListTree::bJpg, {"b.JPG", "7.0 kB", "11.3 %", "jpg", "", "Alpha"}},
      {&ListTree::reportUpper, {"Report.PDF", "5.0 kB", "8.1 %", "pdf", "", "zeta"}},
      {&ListTree::notes, {"notes.", "300 B", "0.5 %", "", "", "zeta"}},
      {&ListTree::readme, {"README", "100 B", "0.2 %", "", "", ""}},
      {&ListTree::gitignore, {".gitignore", "50 B", "0.1 %", "", "", ""}},
      {&ListTree::archive, {"archive.tar.gz", "9.0 kB", "14.5 %", "gz", "", ""}},
      {&ListTree::longType, {"x.abcdefghijklmnopq", "10 B", "0.0 %", "abcdefghijklmnopq", "", ""}},
      {&ListTree::clef, {"\xF0\x9D\x84\x9E.ogg", "400 B", "0.6 %", "ogg", "", ""}},
  };
  for (const FileCellCase& c : cases) EXPECT_EQ(fileCells(lt.*c.node), c.cells) << narrow(nodeName(lt.tree(), lt.*c.node));
}

TEST_F(ListCells, FoldersAreRelativeToTheViewRoot) {
  Outcome out;
  zoomTo(s, lt.alpha, true, out);
  syncLists(s);
  EXPECT_EQ(fileCells(lt.deepJpg)[5], "deep");
  EXPECT_EQ(fileCells(lt.clip)[5], "");
  EXPECT_EQ(fileCells(lt.clip)[2], "48.8 %") << "shares of Alpha's 41 000 bytes";
}

TEST_F(ListCells, OnDiskSizesInTheOnDiskMode) {
  s.settings.sizeMode = SizeMode::OnDisk;
  s.filterGeneration++;
  syncLists(s);
  EXPECT_EQ(fileCells(lt.readme)[1], "4.1 kB");
}

TEST_F(ListCells, TypeRows) {
  Outcome out;
  switchView(s, 2, out);
  syncLists(s);
  const std::vector<std::vector<std::string>> expected = {
      {"jpg", "images", "3", "21.0 kB", "33.9 %"},  {"mp4", "video", "1", "20.0 kB", "32.3 %"},
      {"pdf", "documents", "2", "10.0 kB", "16.2 %"}, {"gz", "archives", "1", "9.0 kB", "14.5 %"},
      {"mp3", "audio", "1", "1.0 kB", "1.6 %"},      {"(none)", "", "3", "450 B", "0.7 %"},
      {"ogg", "audio", "1", "400 B", "0.6 %"},
  };
  for (size_t row = 0; row < expected.size(); row++) EXPECT_EQ(typeCells(static_cast<int64_t>(row)), expected[row]) << row;
}

TEST_F(ListCells, NothingOutsideTheRows) {
  EXPECT_EQ(listCellText(s, MainView::Files, 13, kFileName, fakeDate), u"");
  EXPECT_EQ(listCellText(s, MainView::Files, -1, kFileName, fakeDate), u"");
  EXPECT_EQ(listCellText(s, MainView::Files, 0, kFileColumnCount, fakeDate), u"");
  EXPECT_EQ(listCellText(s, MainView::Extensions, 0, kExtensionName, fakeDate), u"") << "rows of another view";
  EXPECT_EQ(listCellText(s, MainView::Files, 0, kFileDate, nullptr), u"");
  s.shown = {};
  EXPECT_EQ(listCellText(s, MainView::Files, 0, kFileName, fakeDate), u"") << "no tree, no cells";
}

TEST_F(ListCells, SharesWithTheLanguagesSeparator) {
  EXPECT_EQ(narrow(shareText(1, 3)), "33.3 %");
  EXPECT_EQ(narrow(shareText(5, 0)), "0.0 %");
  EXPECT_EQ(narrow(shareText(3, 3)), "100.0 %");
  loadLanguage(u"de");
  EXPECT_EQ(narrow(shareText(1, 8)), "12,5 %");
}

TEST_F(ListCells, ShareBars) {
  const int64_t clipRow = rowOfNode(lt.clip);
  ShareBar bar = shareBar(s, MainView::Files, clipRow, {100, 10, 230, 30}, 96);
  ASSERT_TRUE(bar.shown);
  EXPECT_EQ(bar.track, (PixelRect{108, 18, 158, 22}));
  EXPECT_EQ(bar.fill, (PixelRect{108, 18, 124, 22})) << "32.3 % of 50";
  EXPECT_EQ(bar.color, schemeColorOf(kMapSchemes[0], lt.tree(), lt.clip));
  bar = shareBar(s, MainView::Files, rowOfNode(lt.longType), {100, 10, 230, 30}, 96);
  EXPECT_EQ(bar.fill.width(), 1) << "at least a pixel";
  EXPECT_FALSE(shareBar(s, MainView::Files, clipRow, {100, 10, 195, 30}, 96).shown) << "a 15-DIP track";
  EXPECT_TRUE(shareBar(s, MainView::Files, clipRow, {100, 10, 196, 30}, 96).shown);
  EXPECT_FALSE(shareBar(s, MainView::Files, 13, {100, 10, 230, 30}, 96).shown);
  bar = shareBar(s, MainView::Files, clipRow, {0, 0, 300, 30}, 144);
  EXPECT_EQ(bar.track, (PixelRect{12, 12, 192, 18}));

  Outcome out;
  switchView(s, 2, out);
  syncLists(s);
  bar = shareBar(s, MainView::Extensions, 0, {0, 0, 180, 20}, 96);
  ASSERT_TRUE(bar.shown);
  EXPECT_EQ(bar.color, typeColor(kMapSchemes[0], u"jpg", 3));
  EXPECT_EQ(bar.fill.width(), 34) << "33.9 % of 100";
  EXPECT_EQ(shareColumn(MainView::Files), kFileShare);
  EXPECT_EQ(shareColumn(MainView::Extensions), kExtensionShare);
}

TEST_F(ListCells, ColumnsAndTheLastOnesWidth) {
  int32_t count = 0;
  const ListColumnInfo* files = listColumns(MainView::Files, count);
  ASSERT_EQ(count, 6);
  const char* fileTitles[] = {"Name", "Size", "Share", "Type", "Date modified", "Folder"};
  const int32_t fileWidths[] = {260, 90, 130, 80, 150, 320};
  for (int32_t i = 0; i < count; i++) {
    EXPECT_EQ(narrow(text(files[i].title)), fileTitles[i]);
    EXPECT_EQ(files[i].widthDips, fileWidths[i]);
    EXPECT_EQ(files[i].rightAligned, i == 1 || i == 2);
  }
  const ListColumnInfo* types = listColumns(MainView::Extensions, count);
  ASSERT_EQ(count, 5);
  const char* typeTitles[] = {"Extension", "Category", "Files", "Size", "Share"};
  const int32_t typeWidths[] = {140, 120, 100, 110, 170};
  for (int32_t i = 0; i < count; i++) {
    EXPECT_EQ(narrow(text(types[i].title)), typeTitles[i]);
    EXPECT_EQ(types[i].widthDips, typeWidths[i]);
    EXPECT_EQ(types[i].rightAligned, i >= 2);
  }
  EXPECT_EQ(listColumns(MainView::Map, count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(lastColumnWidth(1200, 710, 96), 490);
  EXPECT_EQ(lastColumnWidth(700, 690, 96), 80) << "never narrower: the list scrolls";
  EXPECT_EQ(lastColumnWidth(700, 690, 144), 120);
}

TEST_F(ListCells, HeaderItems) {
  HeaderItemLayout h = headerItemLayout({100, 0, 200, 24}, 96, false, false);
  EXPECT_EQ(h.text, (PixelRect{108, 0, 192, 24}));
  EXPECT_EQ(h.separator, (PixelRect{199, 6, 200, 18}));
  EXPECT_FALSE(h.arrow);
  h = headerItemLayout({100, 0, 200, 24}, 96, true, true);
  ASSERT_TRUE(h.arrow);
  EXPECT_EQ(h.arrowX[0], 150);
  EXPECT_EQ(h.arrowY[0], 2) << "apex up";
  EXPECT_EQ(h.arrowX[1], 146);
  EXPECT_EQ(h.arrowX[2], 154);
  EXPECT_EQ(h.arrowY[1], 6);
  h = headerItemLayout({100, 0, 200, 24}, 96, true, false);
  EXPECT_EQ(h.arrowY[0], 6) << "apex down";
  EXPECT_EQ(h.arrowY[2], 2);
  h = headerItemLayout({0, 0, 10, 24}, 96, false, false);
  EXPECT_GE(h.text.right, h.text.left) << "a narrow column never turns the text inside out";
}

TEST_F(ListCells, ColoursFollowTheTheme) {
  for (const ThemeColors* theme : {&kLightColors, &kDarkColors}) {
    ListColors c = listColors(*theme);
    EXPECT_EQ(c.background, theme->background);
    EXPECT_EQ(c.text, theme->text);
    EXPECT_EQ(c.track, theme->track);
    EXPECT_NE(c.headerHot, c.headerBackground);
  }
  EXPECT_NE(listColors(kLightColors).background, listColors(kDarkColors).background);
}

}  // namespace
