#include "ui/lists.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/extension_rows.h"
#include "ui/focus_order.h"
#include "ui/navigation.h"
#include "ui/view_rules.h"
#include <algorithm>

namespace {

bool isListView(MainView view) { return view == MainView::Files || view == MainView::Extensions; }

const float* weightsOf(const ViewState& s) { return s.shown.weightsInUse ? s.shown.weights : nullptr; }

// Folder ranks are built once per tree, when the folder key is first chosen.
void ensureFolderRanks(ViewState& s) {
  FileRows& rows = s.lists.files;
  ListStamp forTree{s.shown.tree, s.scan.generation};
  if (rows.rankStamp == forTree && !rows.folderRank.empty()) return;
  buildFolderRanks(*s.shown.tree, rows.folderRank);
  rows.rankStamp = forTree;
}

void sortFiles(ViewState& s) {
  if (s.lists.files.key == FileSortKey::Folder) ensureFolderRanks(s);
  sortFileRows(s.lists.files, fileOrderOf(s));
}

void rebuildRows(ViewState& s, const ListStamp& stamp) {
  const Tree& tree = *s.shown.tree;
  const int32_t root = s.shown.viewRoot;
  ListRows& lists = s.lists;
  lists.viewTotal = shownSize(s, root);
  lists.viewPath = nodePath(tree, root);
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  if (lists.viewPath.empty() || lists.viewPath.back() != separator) lists.viewPath += separator;
  if (s.currentView == MainView::Files) {
    collectFiles(tree, root, weightsOf(s), s.shown.weightCount, lists.files.nodes);
    sortFiles(s);
  } else {
    buildExtensionRows(lists.types, tree, root, weightsOf(s), s.shown.weightCount,
                       s.settings.sizeMode == SizeMode::OnDisk);
  }
  lists.stamp = stamp;
}

// After a rebuild or a re-sort: the remembered row, else row 0 from the top.
void selectAfterRebuild(ViewState& s, ListSync& sync) {
  sync.rebuilt = true;
  sync.itemCount = listRowCount(s, s.currentView);
  if (sync.itemCount > 0) {
    if (s.lists.rememberedRow >= 0) {
      sync.selectRow = std::min(s.lists.rememberedRow, sync.itemCount - 1);
    } else {
      sync.selectRow = 0;
      sync.scrollToTop = true;
    }
  }
  s.lists.rememberedRow = -1;
  std::vector<int64_t> selected;
  if (sync.selectRow >= 0) selected.push_back(sync.selectRow);
  listSelectionChanged(s, selected);
}

// The map comes back in place of the list; what the list showed is dropped.
void showMap(ViewState& s, Outcome& out) {
  s.currentView = MainView::Map;
  out.add(EffectKind::ShowLists).number = 0;
  s.hoverCell = -1;
  resetListRows(s);
}

void focusMap(ViewState& s, Outcome& out) {
  s.focusVisible = true;
  // The focused cell is taken when the map is next used: the cells may still be those
  // of the view before a zoom, and must not overrule the focus node.
  s.focus = {ElementId::Map, 0};
  s.windowHasFocus = true;
  out.add(EffectKind::FocusMainWindow);
  out.add(EffectKind::AnnounceFocus).element = s.focus;
  out.repaint = true;
}

std::vector<int64_t> validRows(const ViewState& s, const std::vector<int64_t>& rows) {
  const int64_t count = listRowCount(s, s.currentView);
  std::vector<int64_t> out;
  for (int64_t row : rows)
    if (row >= 0 && row < count) out.push_back(row);
  return out;
}

bool mayMarkFromList(const ViewState& s) { return hasTree(s) && !s.review.open && markingAllowed(s); }

void markRows(ViewState& s, const std::vector<int64_t>& rows, Outcome& out) {
  if (rows.empty()) return;
  s.lists.rememberedRow = rows.front();
  out.add(EffectKind::MarkNodes).nodes = listRowsToNodes(s, s.currentView, rows);
  out.repaint = true;
}

}  // namespace

// --- Rows ---------------------------------------------------------------------------------

ListStamp currentListStamp(const ViewState& s, MainView view) {
  return {s.shown.tree, s.scan.generation, s.shown.viewRoot, s.filterGeneration, static_cast<int32_t>(view)};
}

bool listRowsCurrent(const ViewState& s, MainView view) {
  return hasTree(s) && !s.scan.scanning && isListView(view) && s.lists.stamp == currentListStamp(s, view);
}

FileOrder fileOrderOf(const ViewState& s) {
  const FileRows& rows = s.lists.files;
  bool ranked = !rows.folderRank.empty() && rows.rankStamp == ListStamp{s.shown.tree, s.scan.generation};
  return {s.shown.tree, s.settings.sizeMode == SizeMode::OnDisk, ranked ? rows.folderRank.data() : nullptr};
}

void resetListRows(ViewState& s) {
  ListRows& lists = s.lists;
  std::vector<int32_t>().swap(lists.files.nodes);   // a drive's rows are worth giving back
  lists.files.ordered = 0;
  lists.types.entries.clear();
  lists.types.order.clear();
  lists.stamp = {};
  lists.viewTotal = 0;
  lists.viewPath.clear();
  s.selection = {};
}

int64_t listRowCount(const ViewState& s, MainView view) {
  if (!listRowsCurrent(s, view)) return 0;
  return static_cast<int64_t>(view == MainView::Files ? s.lists.files.nodes.size() : s.lists.types.order.size());
}

// --- Synchronising --------------------------------------------------------------------------

bool listWanted(const ViewState& s) {
  return isListView(s.currentView) && hasTree(s) && !s.scan.scanning && isValidNode(s, s.shown.viewRoot) &&
         shownSize(s, s.shown.viewRoot) > 0;
}

ListSync syncLists(ViewState& s) {
  ListSync sync;
  const bool rowsExist = s.lists.stamp.view >= 0;
  if (!listWanted(s)) {
    if (rowsExist) {
      resetListRows(s);
      sync.reset = true;
    }
    return sync;
  }
  sync.wanted = true;
  const ListStamp now = currentListStamp(s, s.currentView);
  if (s.lists.stamp == now) return sync;
  if (rowsExist) {
    int64_t remembered = s.lists.rememberedRow;
    resetListRows(s);
    s.lists.rememberedRow = remembered;
    sync.reset = true;
  }
  rebuildRows(s, now);
  selectAfterRebuild(s, sync);
  return sync;
}

// --- Selection ------------------------------------------------------------------------------

void listSelectionChanged(ViewState& s, const std::vector<int64_t>& selectedRows) {
  s.selection = {};
  if (!listRowsCurrent(s, s.currentView)) return;
  std::vector<int64_t> rows = validRows(s, selectedRows);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  s.selection.count = static_cast<int64_t>(rows.size());
  s.selection.types = s.currentView == MainView::Extensions;
  if (s.currentView == MainView::Files) {
    if (rows.size() == 1) s.selection.singleNode = fileRowNode(s.lists.files, fileOrderOf(s), rows[0]);
    if (rows.size() < 2) return;
    const FileOrder order = fileOrderOf(s);
    // Ctrl+A on a drive's rows must not put them all in order just to add them up.
    const bool everyRow = rows.size() == s.lists.files.nodes.size();
    for (int32_t node : everyRow ? s.lists.files.nodes : fileRowsToNodes(s.lists.files, order, rows))
      s.selection.bytes += fileSizeIn(*s.shown.tree, node, order.onDisk);
  } else if (rows.size() >= 2) {
    for (int64_t row : rows) s.selection.bytes += extensionRow(s.lists.types, row)->bytes;
  }
}

// --- Header clicks -----------------------------------------------------------------------------

ListSync listColumnClicked(ViewState& s, int32_t column) {
  ListSync sync;
  if (!listWanted(s) || !listRowsCurrent(s, s.currentView)) return sync;
  sync.wanted = true;
  if (s.currentView == MainView::Files) {
    if (!filesColumnClicked(s.lists.files, column)) return sync;
    sortFiles(s);
  } else if (!extensionsColumnClicked(s.lists.types, column)) {
    return sync;
  }
  s.lists.rememberedRow = -1;
  selectAfterRebuild(s, sync);
  return sync;
}

SortArrow listSortArrow(const ViewState& s, MainView view) {
  if (view == MainView::Files) return {s.lists.files.sortedColumn, s.lists.files.ascending};
  if (view == MainView::Extensions) return {s.lists.types.sortedColumn, s.lists.types.ascending};
  return {};
}

// --- Activation ---------------------------------------------------------------------------------

Outcome activateListRow(ViewState& s, int64_t row) {
  Outcome out;
  if (!listWanted(s) || !listRowsCurrent(s, s.currentView)) return out;
  if (s.currentView == MainView::Files) {
    const int32_t node = fileRowNode(s.lists.files, fileOrderOf(s), row);
    if (node < 0) return out;
    const int32_t parent = s.shown.tree->node(node).parent;
    showMap(s, out);
    s.shown.focusNode = node;
    if (parent != s.shown.viewRoot && isValidNode(s, parent)) zoomTo(s, parent, true, out);
    focusMap(s, out);
    return out;
  }
  const ExtensionEntry* entry = extensionRow(s.lists.types, row);
  if (!entry || entry->extension.empty()) return out;   // "(none)" names no type to filter by
  s.filter.types = entry->extension;
  Effect& field = out.add(EffectKind::SetFieldText);
  field.element = {ElementId::TypesEdit, -1};
  field.text = s.filter.types;
  field.number = static_cast<int32_t>(s.filter.types.size());
  out.add(EffectKind::ApplyFilters);
  showMap(s, out);
  focusMap(s, out);
  return out;
}

// --- Keys ----------------------------------------------------------------------------------------

Outcome listFocused(ViewState& s) {
  Outcome out;
  s.focus = {ElementId::List, -1};
  s.windowHasFocus = false;
  out.repaint = true;
  return out;
}

ListKeyResult listKeyDown(ViewState& s, const WindowLayout& layout, Key key, KeyModifiers modifiers,
                          const std::vector<int64_t>& selectedRows, int64_t focusedRow) {
  ListKeyResult result;
  Outcome& out = result.out;
  if (modifiers.ctrl) {
    switch (key) {
      case Key::Digit1: switchView(s, 0, out); result.handled = true; return result;
      case Key::Digit2: switchView(s, 1, out); result.handled = true; return result;
      case Key::Digit3: switchView(s, 2, out); result.handled = true; return result;
      case Key::A:
        out.add(EffectKind::SelectAllListRows);
        result.handled = true;
        return result;
      default: return result;
    }
  }
  switch (key) {
    case Key::Backspace:
      goUp(s, true, out);
      result.handled = true;
      break;
    case Key::Tab:
      if (!s.focusVisible) out.repaint = true;
      s.focusVisible = true;
      moveFocus(s, layout, modifiers.shift, out);
      result.handled = true;
      break;
    case Key::Escape:
      if (s.marks.dragging) {
        out.add(EffectKind::CancelDragToMark);
        s.marks.dragging = s.marks.dragArmed = false;
        out.repaint = true;
        result.handled = true;
      }
      break;
    case Key::Delete: {
      result.handled = true;
      std::vector<int64_t> rows = selectedRows.empty() ? std::vector<int64_t>{focusedRow} : selectedRows;
      rows = validRows(s, rows);
      if (mayMarkFromList(s) && listRowsCurrent(s, s.currentView)) markRows(s, rows, out);
      break;
    }
    default: break;
  }
  return result;
}

bool listSwallowsCharacter(char16_t c) { return c == u'\b' || c == u'\t'; }

// --- Context menu and dragging ---------------------------------------------------------------------

ListMenu listContextMenu(ViewState& s, const std::vector<int64_t>& selectedRows) {
  ListMenu menu;
  if (!hasTree(s) || !listRowsCurrent(s, s.currentView)) return menu;
  menu.rows = validRows(s, selectedRows);
  menu.stamp = s.lists.stamp;
  if (menu.rows.empty()) return menu;
  const bool files = s.currentView == MainView::Files;
  const bool mayMark = hasTree(s) && !s.facts.policies.disableDelete && !s.scan.scanning && !s.review.open;
  menu.enabled = !s.review.deletionRunning;
  const int64_t count = static_cast<int64_t>(menu.rows.size());
  if (count >= 2) {
    if (!mayMark) return menu;
    menu.kind = ListMenuKind::MarkRows;
    menu.text = formatPlural(count, text(files ? Text::MarkItemForDeletion : Text::MarkTheFilesOfTypeFor),
                             {formatCount(count)});
    return menu;
  }
  if (files) {
    menu.kind = ListMenuKind::ItemMenu;
    menu.node = fileRowNode(s.lists.files, fileOrderOf(s), menu.rows[0]);
    menu.enabled = true;
    return menu;
  }
  if (!mayMark) return menu;
  const ExtensionEntry* entry = extensionRow(s.lists.types, menu.rows[0]);
  menu.kind = ListMenuKind::MarkType;
  menu.text = entry->extension.empty() ? std::u16string(text(Text::MarkAllFilesWithoutAType))
                                       : formatText(text(Text::MarkAllFilesForDeletion), {entry->extension});
  return menu;
}

Outcome listMenuChosen(ViewState& s, const ListMenu& menu) {
  Outcome out;
  if (menu.kind != ListMenuKind::MarkRows && menu.kind != ListMenuKind::MarkType) return out;
  if (!(menu.stamp == s.lists.stamp) || !listRowsCurrent(s, s.currentView) || !mayMarkFromList(s)) return out;
  markRows(s, validRows(s, menu.rows), out);
  return out;
}

void listMenuAnchor(const PixelRect& row, int32_t dpi, int32_t& x, int32_t& y) {
  x = row.left + scaleDip(16, dpi);
  y = (row.top + row.bottom) / 2;
}

Outcome listDragStarted(ViewState& s, const std::vector<int64_t>& selectedRows) {
  Outcome out;
  if (s.marks.dragging || !mayMarkFromList(s) || !listRowsCurrent(s, s.currentView)) return out;
  std::vector<int64_t> rows = validRows(s, selectedRows);
  if (rows.empty()) return out;
  s.lists.rememberedRow = rows.front();
  out.add(EffectKind::StartListDrag).nodes = listRowsToNodes(s, s.currentView, rows);
  return out;
}

std::vector<int32_t> listRowsToNodes(ViewState& s, MainView view, const std::vector<int64_t>& rows) {
  if (!listRowsCurrent(s, view)) return {};
  if (view == MainView::Files) return fileRowsToNodes(s.lists.files, fileOrderOf(s), rows);
  return extensionRowsToNodes(s.lists.types, rows, *s.shown.tree, s.shown.viewRoot, weightsOf(s), s.shown.weightCount);
}
