#include "ui/lists.h"

#include "list_fixture.h"
#include "ui/element_list.h"
#include "ui/extension_rows.h"
#include "ui/filter_bar.h"
#include "ui/navigation.h"
#include "ui/status_text.h"

namespace {

class Lists : public WindowTest {
 protected:
  ListTree lt;
  std::vector<float> weights;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, lt.tree());
    s.currentView = MainView::Files;
    relayout();
  }
  int64_t rowOfNode(int32_t node) {
    for (int64_t row = 0; row < listRowCount(s, MainView::Files); row++)
      if (fileRowNode(s.lists.files, fileOrderOf(s), row) == node) return row;
    return -1;
  }
  int64_t rowOfType(std::u16string_view extension) {
    for (int64_t row = 0; row < listRowCount(s, MainView::Extensions); row++)
      if (extensionRow(s.lists.types, row)->extension == extension) return row;
    return -1;
  }
  void filterTypes(const char16_t* types) {
    s.filter.types = types;
    Outcome out;
    applyFilters(s, weights, nullptr, out);
  }
};

struct WantedCase {
  const char* what;
  MainView view;
  bool scanning, tree, nothingPasses;
  bool wanted;
};

TEST_F(Lists, WantedOnlyWithSomethingToList) {
  const WantedCase cases[] = {
      {"Files", MainView::Files, false, true, false, true},
      {"Extensions", MainView::Extensions, false, true, false, true},
      {"the map", MainView::Map, false, true, false, false},
      {"while scanning", MainView::Files, true, true, false, false},
      {"without a tree", MainView::Files, false, false, false, false},
      {"all filtered out", MainView::Files, false, true, true, false},
  };
  for (const WantedCase& c : cases) {
    SetUp();
    s.currentView = c.view;
    s.scan.scanning = c.scanning;
    if (!c.tree) s.shown = {};
    if (c.nothingPasses) filterTypes(u"docx");
    EXPECT_EQ(listWanted(s), c.wanted) << c.what;
    ListSync sync = syncLists(s);
    EXPECT_EQ(sync.wanted, c.wanted) << c.what;
    EXPECT_EQ(sync.rebuilt, c.wanted) << c.what;
    // The accessible list stands for the list view only while it is shown.
    bool listElement = false;
    for (const AccessibleElement& e : buildElementList(s, layout, nullptr))
      if (e.child == ChildControl::ListView) {
        listElement = true;
        EXPECT_EQ(narrow(e.name), c.view == MainView::Files ? "Files" : "Extensions");
        EXPECT_EQ(e.rect, layout.content.map);
        EXPECT_TRUE(e.state & kStateFocusable);
      }
    EXPECT_EQ(listElement, c.wanted) << c.what;
  }
}

TEST_F(Lists, RebuiltWhenWhatTheyShowChanges) {
  ListSync sync = syncLists(s);
  ASSERT_TRUE(sync.rebuilt);
  EXPECT_FALSE(sync.reset);
  EXPECT_EQ(sync.itemCount, 13);
  EXPECT_EQ(sync.selectRow, 0);
  EXPECT_TRUE(sync.scrollToTop);
  EXPECT_EQ(s.lists.viewTotal, lt.total());
  EXPECT_EQ(s.selection.count, 1);
  EXPECT_EQ(s.selection.singleNode, lt.clip) << "the largest file first";

  sync = syncLists(s);
  EXPECT_FALSE(sync.rebuilt) << "every paint syncs; only a change rebuilds";
  EXPECT_FALSE(sync.reset);

  filterTypes(u"jpg");
  sync = syncLists(s);
  EXPECT_TRUE(sync.reset && sync.rebuilt);
  EXPECT_EQ(sync.itemCount, 3);
  EXPECT_EQ(s.lists.viewTotal, 21000) << "shares are of what passes";

  Outcome out;
  zoomTo(s, lt.alpha, true, out);
  sync = syncLists(s);
  EXPECT_TRUE(sync.rebuilt);
  EXPECT_EQ(sync.itemCount, 3) << "Alpha's three pictures";
  EXPECT_EQ(narrow(s.lists.viewPath), "C:\\Alpha\\");

  switchView(s, 2, out);
  EXPECT_EQ(listRowCount(s, MainView::Files), 0) << "switching drops the rows";
  sync = syncLists(s);
  EXPECT_TRUE(sync.rebuilt);
  EXPECT_EQ(sync.itemCount, 1) << "one type: jpg";
  EXPECT_EQ(sync.selectRow, 0);

  switchView(s, 0, out);
  sync = syncLists(s);
  EXPECT_FALSE(sync.wanted);
  EXPECT_FALSE(sync.reset) << "the switch dropped them already";
  EXPECT_EQ(s.lists.stamp.view, -1);
}

TEST_F(Lists, ANewTreeAtTheSameAddressIsNoticed) {
  syncLists(s);
  s.scan.generation++;
  ListSync sync = syncLists(s);
  EXPECT_TRUE(sync.rebuilt);
}

TEST_F(Lists, TheRememberedRowIsSelectedOnceAfterTheRebuild) {
  syncLists(s);
  s.lists.rememberedRow = 20;
  s.filterGeneration++;   // marking re-applies the filters
  ListSync sync = syncLists(s);
  EXPECT_EQ(sync.selectRow, 12) << "capped at the last row";
  EXPECT_FALSE(sync.scrollToTop);
  EXPECT_EQ(s.lists.rememberedRow, -1);
  s.filterGeneration++;
  EXPECT_EQ(syncLists(s).selectRow, 0);
}

TEST_F(Lists, DroppedWhenNoListIsWanted) {
  syncLists(s);
  s.scan.scanning = true;
  ListSync sync = syncLists(s);
  EXPECT_TRUE(sync.reset);
  EXPECT_FALSE(sync.wanted);
  EXPECT_TRUE(s.lists.files.nodes.empty());
  EXPECT_EQ(s.selection.count, 0);
}

TEST_F(Lists, SelectionCountsAndTotals) {
  syncLists(s);
  listSelectionChanged(s, {rowOfNode(lt.clip), rowOfNode(lt.archive), 99, -1, rowOfNode(lt.clip)});
  EXPECT_EQ(s.selection.count, 2) << "rows past the end do not count, nor a row given twice";
  EXPECT_EQ(s.selection.bytes, 29000);
  EXPECT_FALSE(s.selection.types);
  EXPECT_EQ(narrow(statusText(s).text), "2 files selected \xC2\xB7 29.0 kB");
  listSelectionChanged(s, {rowOfNode(lt.song)});
  EXPECT_EQ(s.selection.count, 1);
  EXPECT_EQ(s.selection.singleNode, lt.song);
  EXPECT_EQ(s.selection.bytes, 0);
  listSelectionChanged(s, {});
  EXPECT_EQ(s.selection.count, 0);
  EXPECT_EQ(s.selection.singleNode, -1);

  Outcome out;
  switchView(s, 2, out);
  syncLists(s);
  listSelectionChanged(s, {rowOfType(u"jpg"), rowOfType(u""), rowOfType(u"ogg")});
  EXPECT_TRUE(s.selection.types);
  EXPECT_EQ(s.selection.bytes, 21000 + 450 + 400);
  EXPECT_EQ(narrow(statusText(s).text), "3 types selected \xC2\xB7 21.9 kB");
}

TEST_F(Lists, SelectionTotalsFollowTheSizeMode) {
  s.settings.sizeMode = SizeMode::OnDisk;
  filterTypes(u"");
  syncLists(s);
  listSelectionChanged(s, {0, 1});
  EXPECT_EQ(s.selection.bytes, 2 * 4096);
}

TEST_F(Lists, HeaderClicksSortAndGoBackToTheFirstRow) {
  syncLists(s);
  listSelectionChanged(s, {4, 5});
  ListSync sync = listColumnClicked(s, kFileName);
  EXPECT_TRUE(sync.rebuilt);
  EXPECT_EQ(sync.selectRow, 0);
  EXPECT_TRUE(sync.scrollToTop);
  EXPECT_EQ(s.selection.count, 1);
  EXPECT_EQ(fileRowNode(s.lists.files, fileOrderOf(s), 0), lt.gitignore);
  SortArrow arrow = listSortArrow(s, MainView::Files);
  EXPECT_EQ(arrow.column, kFileName);
  EXPECT_TRUE(arrow.ascending);

  listColumnClicked(s, kFileFolder);
  EXPECT_FALSE(s.lists.files.folderRank.empty()) << "ranks are built for the folder key";
  EXPECT_EQ(fileRowNode(s.lists.files, fileOrderOf(s), 5), lt.aJpg) << "Alpha's files after the root's five";

  EXPECT_FALSE(listColumnClicked(s, 9).rebuilt);
  Outcome out;
  switchView(s, 2, out);
  syncLists(s);
  listColumnClicked(s, kExtensionName);
  EXPECT_EQ(narrow(extensionRow(s.lists.types, 0)->extension), "");
  arrow = listSortArrow(s, MainView::Extensions);
  EXPECT_EQ(arrow.column, kExtensionName);
  EXPECT_TRUE(arrow.ascending);
  // Across a view switch each list keeps its order and its arrow.
  switchView(s, 1, out);
  syncLists(s);
  EXPECT_EQ(listSortArrow(s, MainView::Files).column, kFileFolder);
  EXPECT_EQ(s.lists.files.key, FileSortKey::Folder);
  EXPECT_EQ(fileRowNode(s.lists.files, fileOrderOf(s), 0), lt.gitignore);
}

TEST_F(Lists, EnterOnAFileInTheViewRootShowsItWithoutZooming) {
  syncLists(s);
  Outcome out = activateListRow(s, rowOfNode(lt.archive));
  EXPECT_EQ(s.currentView, MainView::Map);
  EXPECT_EQ(out.find(EffectKind::ShowLists)->number, 0);
  EXPECT_FALSE(out.has(EffectKind::ZoomMap));
  EXPECT_EQ(s.shown.viewRoot, lt.root);
  EXPECT_EQ(s.shown.focusNode, lt.archive);
  EXPECT_EQ(s.focus.id, ElementId::Map);
  EXPECT_TRUE(s.focusVisible);
  EXPECT_TRUE(out.has(EffectKind::FocusMainWindow));
  EXPECT_EQ(listRowCount(s, MainView::Files), 0);
}

TEST_F(Lists, DoubleClickOnADeeperFileZoomsToItsFolder) {
  syncLists(s);
  Outcome out = activateListRow(s, rowOfNode(lt.deepJpg));
  EXPECT_EQ(s.shown.viewRoot, lt.deep);
  const Effect* zoom = out.find(EffectKind::ZoomMap);
  ASSERT_NE(zoom, nullptr);
  EXPECT_EQ(zoom->node, lt.deep);
  EXPECT_TRUE(zoom->flag) << "zooming in";
  EXPECT_EQ(s.shown.focusNode, lt.deepJpg);
  EXPECT_TRUE(activateListRow(s, 0).effects.empty()) << "the list is gone";
}

TEST_F(Lists, EnterOnATypeFiltersTheMapToIt) {
  s.currentView = MainView::Extensions;
  syncLists(s);
  Outcome out = activateListRow(s, rowOfType(u"jpg"));
  const Effect* set = out.find(EffectKind::SetFieldText);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->element.id, ElementId::TypesEdit);
  EXPECT_EQ(narrow(set->text), "jpg");
  ASSERT_TRUE(out.has(EffectKind::ApplyFilters));
  EXPECT_EQ(s.currentView, MainView::Map);
  EXPECT_EQ(s.focus.id, ElementId::Map);
  applyFilters(s, weights, nullptr, out);
  EXPECT_EQ(s.shown.matchingCount, 3);

  s.filter = {};
  s.currentView = MainView::Extensions;
  applyFilters(s, weights, nullptr, out);
  syncLists(s);
  out = activateListRow(s, rowOfType(u""));
  EXPECT_TRUE(out.effects.empty()) << "(none) names no type";
  EXPECT_EQ(s.currentView, MainView::Extensions);
  EXPECT_TRUE(activateListRow(s, 99).effects.empty());
}

struct ListKeyCase {
  const char* what;
  Key key;
  KeyModifiers modifiers;
  bool handled;
  EffectKind effect;            // CaptureMouse: none expected
};

TEST_F(Lists, TheListsOwnKeys) {
  const ListKeyCase cases[] = {
      {"Ctrl+A", Key::A, {true, false, false}, true, EffectKind::SelectAllListRows},
      {"Ctrl+1", Key::Digit1, {true, false, false}, true, EffectKind::ShowLists},
      {"Ctrl+3", Key::Digit3, {true, false, false}, true, EffectKind::ShowLists},
      {"Tab", Key::Tab, {}, true, EffectKind::AnnounceFocus},
      {"Delete", Key::Delete, {}, true, EffectKind::MarkNodes},
      {"Esc", Key::Escape, {}, false, EffectKind::CaptureMouse},
      {"Down", Key::Down, {}, false, EffectKind::CaptureMouse},
      {"Ctrl+E", Key::E, {true, false, false}, false, EffectKind::CaptureMouse},
  };
  for (const ListKeyCase& c : cases) {
    SetUp();
    syncLists(s);
    listFocused(s);
    ListKeyResult r = listKeyDown(s, layout, c.key, c.modifiers, {1}, 1);
    EXPECT_EQ(r.handled, c.handled) << c.what;
    if (c.effect == EffectKind::CaptureMouse) EXPECT_TRUE(r.out.effects.empty()) << c.what;
    else EXPECT_TRUE(r.out.has(c.effect)) << c.what;
  }
  SetUp();
  Outcome out;
  zoomTo(s, lt.alpha, false, out);
  syncLists(s);
  ListKeyResult up = listKeyDown(s, layout, Key::Backspace, {}, {}, 0);
  EXPECT_TRUE(up.handled);
  EXPECT_EQ(s.shown.viewRoot, lt.root) << "Backspace goes up";
  EXPECT_TRUE(listSwallowsCharacter(u'\b'));
  EXPECT_TRUE(listSwallowsCharacter(u'\t'));
  EXPECT_FALSE(listSwallowsCharacter(u'a'));
}

TEST_F(Lists, FocusingTheListMakesItTheFocusElement) {
  syncLists(s);
  Outcome out = listFocused(s);
  EXPECT_EQ(s.focus, (ElementRef{ElementId::List, -1}));
  EXPECT_FALSE(s.windowHasFocus);
  EXPECT_TRUE(out.repaint);
  EXPECT_EQ(focusedElementCode(s), static_cast<int32_t>(ElementId::List) * 4096);
}

TEST_F(Lists, DeleteMarksTheSelectedOrTheFocusedRows) {
  syncLists(s);
  ListKeyResult r = listKeyDown(s, layout, Key::Delete, {}, {2, 0}, 5);
  const Effect* mark = r.out.find(EffectKind::MarkNodes);
  ASSERT_NE(mark, nullptr);
  std::vector<int32_t> expected{fileRowNode(s.lists.files, fileOrderOf(s), 2), lt.clip};
  EXPECT_EQ(mark->nodes, expected);
  EXPECT_EQ(s.lists.rememberedRow, 2);
  r = listKeyDown(s, layout, Key::Delete, {}, {}, 5);
  ASSERT_TRUE(r.out.has(EffectKind::MarkNodes));
  EXPECT_EQ(r.out.find(EffectKind::MarkNodes)->nodes.size(), 1u);
  EXPECT_EQ(s.lists.rememberedRow, 5);
  r = listKeyDown(s, layout, Key::Delete, {}, {}, -1);
  EXPECT_TRUE(r.handled);
  EXPECT_FALSE(r.out.has(EffectKind::MarkNodes)) << "nothing selected or focused";

  s.facts.policies.disableDelete = true;
  r = listKeyDown(s, layout, Key::Delete, {}, {1}, 1);
  EXPECT_TRUE(r.handled);
  EXPECT_FALSE(r.out.has(EffectKind::MarkNodes)) << "marking is turned off";
  s.facts.policies.disableDelete = false;

  Outcome out;
  switchView(s, 2, out);
  syncLists(s);
  r = listKeyDown(s, layout, Key::Delete, {}, {rowOfType(u"jpg")}, 0);
  std::vector<int32_t> jpgs = r.out.find(EffectKind::MarkNodes)->nodes;
  std::sort(jpgs.begin(), jpgs.end());
  std::vector<int32_t> all{lt.bJpg, lt.aJpg, lt.deepJpg};
  std::sort(all.begin(), all.end());
  EXPECT_EQ(jpgs, all) << "every listed jpg below the view root";
}

TEST_F(Lists, EscCancelsADragToMark) {
  syncLists(s);
  s.marks.dragging = true;
  ListKeyResult r = listKeyDown(s, layout, Key::Escape, {}, {}, 0);
  EXPECT_TRUE(r.handled);
  EXPECT_TRUE(r.out.has(EffectKind::CancelDragToMark));
  EXPECT_FALSE(s.marks.dragging);
}

TEST_F(Lists, ContextMenus) {
  syncLists(s);
  ListMenu menu = listContextMenu(s, {0, 1});
  EXPECT_EQ(menu.kind, ListMenuKind::MarkRows);
  EXPECT_EQ(narrow(menu.text), "Mark 2 items for deletion");
  EXPECT_TRUE(menu.enabled);
  Outcome out = listMenuChosen(s, menu);
  ASSERT_TRUE(out.has(EffectKind::MarkNodes));
  EXPECT_EQ(out.find(EffectKind::MarkNodes)->nodes.size(), 2u);
  EXPECT_EQ(s.lists.rememberedRow, 0);

  s.review.deletionRunning = true;
  EXPECT_FALSE(listContextMenu(s, {0, 1}).enabled) << "greyed while a deletion runs";
  s.review.deletionRunning = false;

  menu = listContextMenu(s, {rowOfNode(lt.song)});
  EXPECT_EQ(menu.kind, ListMenuKind::ItemMenu);
  EXPECT_EQ(menu.node, lt.song);
  EXPECT_EQ(listContextMenu(s, {}).kind, ListMenuKind::None);
  EXPECT_EQ(listContextMenu(s, {13}).kind, ListMenuKind::None) << "a row past the end";

  // A menu outlived by a change of its rows does nothing.
  menu = listContextMenu(s, {0, 1});
  filterTypes(u"jpg");
  syncLists(s);
  EXPECT_TRUE(listMenuChosen(s, menu).effects.empty());

  s.facts.policies.disableDelete = true;
  EXPECT_EQ(listContextMenu(s, {0, 1}).kind, ListMenuKind::None);
  EXPECT_EQ(listContextMenu(s, {0}).kind, ListMenuKind::ItemMenu) << "the item menu stays";
  s.facts.policies.disableDelete = false;

  filterTypes(u"");
  switchView(s, 2, out);
  syncLists(s);
  menu = listContextMenu(s, {rowOfType(u"jpg")});
  EXPECT_EQ(menu.kind, ListMenuKind::MarkType);
  EXPECT_EQ(narrow(menu.text), "Mark all .jpg files for deletion");
  EXPECT_EQ(listMenuChosen(s, menu).find(EffectKind::MarkNodes)->nodes.size(), 3u);
  menu = listContextMenu(s, {rowOfType(u"")});
  EXPECT_EQ(narrow(menu.text), "Mark all files without a type for deletion");
  menu = listContextMenu(s, {0, 1, 2});
  EXPECT_EQ(narrow(menu.text), "Mark the files of 3 types for deletion");
  s.review.open = true;
  EXPECT_EQ(listContextMenu(s, {0}).kind, ListMenuKind::None);
}

TEST_F(Lists, MenuFromTheKeyboardOpensBesideTheRow) {
  int32_t x = 0, y = 0;
  listMenuAnchor({10, 40, 500, 60}, 96, x, y);
  EXPECT_EQ(x, 26);
  EXPECT_EQ(y, 50);
  listMenuAnchor({10, 40, 500, 70}, 144, x, y);
  EXPECT_EQ(x, 34);
  EXPECT_EQ(y, 55);
}

TEST_F(Lists, DragStartsWithTheSelectedRows) {
  syncLists(s);
  Outcome out = listDragStarted(s, {3, 1});
  const Effect* drag = out.find(EffectKind::StartListDrag);
  ASSERT_NE(drag, nullptr);
  EXPECT_EQ(drag->nodes.size(), 2u);
  EXPECT_EQ(s.lists.rememberedRow, 3);
  EXPECT_TRUE(listDragStarted(s, {}).effects.empty());
  s.review.open = true;
  EXPECT_TRUE(listDragStarted(s, {0}).effects.empty()) << "not in the review";
}

TEST_F(Lists, ScrollingFarDownOrdersOnlyWhatIsLookedAt) {
  TestTree big;
  int32_t root = big.root(u"C:\\");
  for (int i = 0; i < 25000; i++) big.file(root, u"f", 1 + (i * 7919) % 25000);
  finalizeTree(big.tree);
  showTree(s, big.tree);
  s.scan.generation++;
  syncLists(s);
  EXPECT_EQ(s.lists.files.ordered, 10000u);
  EXPECT_EQ(listRowCount(s, MainView::Files), 25000);
  std::vector<int64_t> all(25000);
  for (int64_t row = 0; row < 25000; row++) all[row] = 24999 - row;
  listSelectionChanged(s, all);
  EXPECT_EQ(s.selection.bytes, int64_t(25000) * 25001 / 2);
  EXPECT_EQ(s.lists.files.ordered, 10000u) << "selecting every row orders nothing more";
  listSelectionChanged(s, {24999});
  EXPECT_EQ(s.lists.files.ordered, 25000u);
  EXPECT_EQ(fileSizeIn(big.tree, s.selection.singleNode, false), 1) << "the smallest comes last";
}

}  // namespace
