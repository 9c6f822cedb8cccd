// The Files and Extensions lists as decisions: whether a list is shown, when its
// rows are rebuilt and what gets selected then, the selection's status text, header
// clicks, double-click and Enter, the list's own keys, its context menu and the start
// of a drag. The list views are virtual and own nothing but their row count; the
// Windows side asks here for everything else (cell texts: list_cells.h).
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/file_rows.h"
#include "ui/keyboard.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include <cstdint>
#include <string>
#include <vector>

// --- Rows ---------------------------------------------------------------------------
// What the rows of `view` would be built from now.
ListStamp currentListStamp(const ViewState& s, MainView view);
// The rows the lists hold belong to the shown tree and `view` (cells are answered only then).
bool listRowsCurrent(const ViewState& s, MainView view);
// The order the Files rows follow in this state.
FileOrder fileOrderOf(const ViewState& s);
// Empties both row sets and the stamp; the list views' item counts go to 0.
void resetListRows(ViewState& s);
int64_t listRowCount(const ViewState& s, MainView view);

// --- Synchronising (every paint, before anything is drawn) ---------------------------
// A list is wanted in the Files or Extensions view while a tree is shown, no scan
// runs and the view root weighs something.
bool listWanted(const ViewState& s);

struct ListSync {
  bool wanted = false;          // show the current view's list over the map, hide the other
  bool reset = false;           // the rows were dropped: both item counts := 0
  bool rebuilt = false;         // item count := itemCount, fit the last column, then select:
  int64_t itemCount = 0;
  int64_t selectRow = -1;       // select and focus this row and scroll it into view; -1 none
  bool scrollToTop = false;     // (after clearing every selection) select row 0 and scroll up
};
// Rebuilds the rows of the current view's list when what they were built for changed,
// and drops them when no list is wanted (or the view changed since they were built).
ListSync syncLists(ViewState& s);

// --- Selection -----------------------------------------------------------------------
// LVN_ITEMCHANGED / LVN_ODSTATECHANGED: the selected rows of the shown list, in any
// order. Sets `s.selection` (the status line shows two or more with their total).
void listSelectionChanged(ViewState& s, const std::vector<int64_t>& selectedRows);

// --- Header clicks ---------------------------------------------------------------------
// LVN_COLUMNCLICK: sorts by the column as the list's rules say; the header's arrow goes
// to `sortedColumn`, ascending or not. The selection goes back to row 0 (as after a
// rebuild: the returned sync says so). Nothing happens for a list that is not shown.
ListSync listColumnClicked(ViewState& s, int32_t column);
// The arrow the header of `view` shows.
struct SortArrow {
  int32_t column = -1;
  bool ascending = false;
};
SortArrow listSortArrow(const ViewState& s, MainView view);

// --- Activation --------------------------------------------------------------------------
// NM_DBLCLK on a row or NM_RETURN on the focused row. Files: the map comes back with
// the file as the focus node, zoomed to its folder when that is not the view root, and
// takes the keyboard focus with the focus shown. Extensions: the type goes into the
// types field and the filters apply at once, then the same return to the map; the
// "(none)" row does nothing.
Outcome activateListRow(ViewState& s, int64_t row);

// --- The list's keys (its subclass procedure) ----------------------------------------------
// WM_SETFOCUS of a list view.
Outcome listFocused(ViewState& s);
// WM_KEYDOWN. `selectedRows` (or, when empty, `focusedRow`) are the rows Delete marks.
// Handled keys return `handled`; the rest go to the list's default processing.
struct ListKeyResult {
  Outcome out;
  bool handled = false;
};
ListKeyResult listKeyDown(ViewState& s, const WindowLayout& layout, Key key, KeyModifiers modifiers,
                          const std::vector<int64_t>& selectedRows, int64_t focusedRow);
// WM_CHAR: Backspace and Tab are swallowed (they were handled as keys).
bool listSwallowsCharacter(char16_t c);

// --- Context menu and dragging ---------------------------------------------------------------
enum class ListMenuKind : uint8_t { None, MarkRows, ItemMenu, MarkType };
struct ListMenu {
  ListMenuKind kind = ListMenuKind::None;
  std::u16string text;          // MarkRows and MarkType: the one item's label
  bool enabled = true;          // greyed while a deletion runs
  int32_t node = -1;            // ItemMenu: the file the item menu is about
  std::vector<int64_t> rows;    // the selected rows it acts on
  ListStamp stamp;              // the rows it was opened for
};
// WM_CONTEXTMENU from the shown list with its selected rows (first selected first).
ListMenu listContextMenu(ViewState& s, const std::vector<int64_t>& selectedRows);
// The menu's item was chosen (MarkRows, MarkType): marks the rows' nodes, only while
// the rows are still those the menu was opened for and marking is allowed.
Outcome listMenuChosen(ViewState& s, const ListMenu& menu);
// Where a menu opened from the keyboard goes: 16 DIPs right of the first selected
// row's left edge, at its vertical centre (`row` in list client pixels).
void listMenuAnchor(const PixelRect& row, int32_t dpi, int32_t& x, int32_t& y);

// LVN_BEGINDRAG (or, with synthetic input, a move with the button down): with a tree,
// outside the review and while marking is allowed, remembers the first selected row
// and starts a drag to mark the selected rows.
Outcome listDragStarted(ViewState& s, const std::vector<int64_t>& selectedRows);

// The nodes behind rows of the shown list, for marking and dragging: Files, the rows'
// files; Extensions, every listed file of the rows' types, row by row.
std::vector<int32_t> listRowsToNodes(ViewState& s, MainView view, const std::vector<int64_t>& rows);
