// The Files and Extensions list views: two virtual report lists over the map area,
// made on first use and then only shown and hidden. They hold nothing but their
// item count; every cell, the share bars, the header and the colours come from the
// portable list code (ui/lists.h, ui/list_cells.h) when the control asks.
//
// Threading: the window thread, which owns the lists, their rows and the tree.
#include "render/scale.h"
#include "render/win32/text.h"
#include "ui/list_cells.h"
#include "ui/lists.h"
#include "ui/win32/main_window.h"
#include <commctrl.h>

namespace {

constexpr wchar_t kListSubclassProperty[] = L"Mossbloom.ListWindow";

int32_t listIndexOf(MainView view) {
  return view == MainView::Files ? 0 : view == MainView::Extensions ? 1 : -1;
}

MainView viewOfList(const MainWindow& w, HWND list) {
  return list == w.lists[0] ? MainView::Files : list == w.lists[1] ? MainView::Extensions : MainView::Map;
}

COLORREF colorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void fill(HDC dc, const RECT& r, uint32_t rgb) {
  SetDCBrushColor(dc, colorRef(rgb));
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

RECT toRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// "Date modified" in the user's local time, short date and time without seconds.
std::u16string localDateText(int64_t filetime) {
  if (filetime <= 0) return {};
  FILETIME utc = {static_cast<DWORD>(filetime), static_cast<DWORD>(filetime >> 32)};
  SYSTEMTIME universal, local;
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return {};
  wchar_t date[96], time[96];
  if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 96, nullptr)) return {};
  if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, time, 96)) return {};
  std::wstring joined = std::wstring(date) + L" " + time;
  return std::u16string(joined.begin(), joined.end());
}

std::vector<int64_t> selectedRows(HWND list) {
  std::vector<int64_t> rows;
  int32_t row = -1;
  while ((row = static_cast<int32_t>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0)
    rows.push_back(row);
  return rows;
}

int64_t focusedRow(HWND list) { return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED); }

void setRowState(HWND list, int64_t row, UINT state, UINT mask) {
  LVITEMW item = {};
  item.stateMask = mask;
  item.state = state;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The last column takes what the others leave of the client width, never less than 80 DIPs.
void fitLastColumn(MainWindow& w, HWND list) {
  int32_t count = 0;
  listColumns(viewOfList(w, list), count);
  if (count == 0) return;
  RECT client;
  GetClientRect(list, &client);
  int32_t others = 0;
  for (int32_t i = 0; i + 1 < count; i++) others += static_cast<int32_t>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
  SendMessageW(list, LVM_SETCOLUMNWIDTH, count - 1, lastColumnWidth(client.right, others, w.state.dpi));
}

void showSortArrow(MainWindow& w, HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  SortArrow arrow = listSortArrow(w.state, viewOfList(w, list));
  int32_t count = static_cast<int32_t>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int32_t i = 0; i < count; i++) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == arrow.column) item.fmt |= arrow.ascending ? HDF_SORTUP : HDF_SORTDOWN;
    SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  InvalidateRect(header, nullptr, FALSE);
}

// The item count, the last column, then the selection the rows come back with.
void applySync(MainWindow& w, HWND list, const ListSync& sync) {
  if (!sync.rebuilt) return;
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(sync.itemCount), 0);
  fitLastColumn(w, list);
  setRowState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (sync.selectRow >= 0) {
    setRowState(list, sync.selectRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (sync.scrollToTop) SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(sync.selectRow), FALSE);
  }
  // Selecting notified the window while the rows were being set: the state's
  // selection is the rebuild's own.
  listSelectionChanged(w.state, sync.selectRow >= 0 ? std::vector<int64_t>{sync.selectRow} : std::vector<int64_t>{});
  InvalidateRect(list, nullptr, FALSE);
}

using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// Loaded by name: the list must come up where the theme library is missing.
void setWindowTheme(HWND window, const wchar_t* name) {
  static SetWindowThemeFunction function = [] {
    HMODULE module = LoadLibraryW(L"uxtheme.dll");
    return module ? reinterpret_cast<SetWindowThemeFunction>(reinterpret_cast<void*>(GetProcAddress(module, "SetWindowTheme")))
                  : nullptr;
  }();
  if (function) function(window, name, nullptr);
}

// Re-applied whenever the theme's colours differ from those the list was given.
void applyListColors(MainWindow& w, int32_t index) {
  HWND list = w.lists[index];
  const Theme& theme = currentTheme();
  ListColors colors = listColors(theme.colors);
  uint32_t key = (colors.background | (theme.dark ? 0x1000000u : 0)) + 1;
  if (w.listColorsApplied[index] == key) return;
  w.listColorsApplied[index] = key;
  setWindowTheme(list, theme.dark ? L"DarkMode_Explorer" : L"Explorer");
  SendMessageW(list, LVM_SETBKCOLOR, 0, colorRef(colors.background));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, colorRef(colors.background));
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, colorRef(colors.text));
  InvalidateRect(list, nullptr, TRUE);
}

// --- The header, drawn by the list's own procedure ------------------------------------------------
LRESULT drawHeader(MainWindow& w, HWND list, NMCUSTOMDRAW* draw) {
  const ListColors colors = listColors(currentTheme().colors);
  HWND header = draw->hdr.hwndFrom;
  switch (draw->dwDrawStage) {
    case CDDS_PREPAINT: {
      RECT all;
      GetClientRect(header, &all);
      fill(draw->hdc, all, colors.headerBackground);
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    }
    case CDDS_ITEMPREPAINT: {
      const int32_t column = static_cast<int32_t>(draw->dwItemSpec);
      const RECT& r = draw->rc;
      const bool hot = (draw->uItemState & CDIS_HOT) != 0;
      fill(draw->hdc, r, hot ? colors.headerHot : colors.headerBackground);
      int32_t count = 0;
      const ListColumnInfo* columns = listColumns(viewOfList(w, list), count);
      const SortArrow arrow = listSortArrow(w.state, viewOfList(w, list));
      HeaderItemLayout item = headerItemLayout({r.left, r.top, r.right, r.bottom}, w.state.dpi,
                                               arrow.column == column, arrow.ascending);
      if (column >= 0 && column < count) {
        std::u16string_view title = text(columns[column].title);
        RECT textRect = toRect(item.text);
        SetBkMode(draw->hdc, TRANSPARENT);
        SetTextColor(draw->hdc, colorRef(colors.headerText));
        HGDIOBJ old = SelectObject(draw->hdc, textStyleFont(programTextStyles(), TextStyle::Body));
        DrawTextW(draw->hdc, reinterpret_cast<const wchar_t*>(title.data()), static_cast<int>(title.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                      (columns[column].rightAligned ? DT_RIGHT : DT_LEFT));
        SelectObject(draw->hdc, old);
      }
      if (item.arrow) {
        POINT points[3] = {{item.arrowX[0], item.arrowY[0]}, {item.arrowX[1], item.arrowY[1]},
                           {item.arrowX[2], item.arrowY[2]}};
        SetDCBrushColor(draw->hdc, colorRef(colors.headerText));
        SetDCPenColor(draw->hdc, colorRef(colors.headerText));
        HGDIOBJ oldBrush = SelectObject(draw->hdc, GetStockObject(DC_BRUSH));
        HGDIOBJ oldPen = SelectObject(draw->hdc, GetStockObject(DC_PEN));
        Polygon(draw->hdc, points, 3);
        SelectObject(draw->hdc, oldBrush);
        SelectObject(draw->hdc, oldPen);
      }
      fill(draw->hdc, toRect(item.separator), colors.headerSeparator);
      return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT: {
      RECT all;
      GetClientRect(header, &all);
      int32_t count = static_cast<int32_t>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
      RECT last = {};
      if (count > 0) SendMessageW(header, HDM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
      RECT rest = {last.right, all.top, all.right, all.bottom};
      if (rest.right > rest.left) fill(draw->hdc, rest, colors.headerBackground);
      fill(draw->hdc, {all.left, all.bottom - 1, all.right, all.bottom}, colors.headerSeparator);
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

// --- Context menu ----------------------------------------------------------------------------------
void openContextMenu(MainWindow& w, HWND list, LPARAM at) {
  ViewState& s = w.state;
  if (!hasTree(s)) return;
  std::vector<int64_t> rows = selectedRows(list);
  if (rows.empty()) return;
  POINT p = {static_cast<int16_t>(LOWORD(at)), static_cast<int16_t>(HIWORD(at))};
  if (at == -1) {   // from the keyboard: next to the first selected row
    RECT row = {LVIR_BOUNDS};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(rows.front()), reinterpret_cast<LPARAM>(&row));
    int32_t x = 0, y = 0;
    listMenuAnchor({row.left, row.top, row.right, row.bottom}, s.dpi, x, y);
    p = {x, y};
    ClientToScreen(list, &p);
  }
  ListMenu menu = listContextMenu(s, rows);
  if (menu.kind != ListMenuKind::MarkRows && menu.kind != ListMenuKind::MarkType) return;   // the item menu comes with it
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  AppendMenuW(popup, MF_STRING | (menu.enabled ? 0 : MF_GRAYED), 1, reinterpret_cast<const wchar_t*>(menu.text.c_str()));
  int32_t choice = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0, w.window, nullptr);
  DestroyMenu(popup);
  if (choice != 1) return;
  Outcome out = listMenuChosen(s, menu);
  runOutcome(w, out);
}

// --- The list's own procedure ------------------------------------------------------------------------
LRESULT CALLBACK listProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  MainWindow& w = *reinterpret_cast<MainWindow*>(data);
  switch (message) {
    case WM_SETFOCUS: {
      Outcome out = listFocused(w.state);
      runOutcome(w, out);
      break;
    }
    case WM_KEYDOWN: {
      KeyModifiers modifiers = {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, false};
      Key key = keyOf(wParam);
      if (key == Key::Other) break;
      if (!w.layoutValid) relayout(w);
      ListKeyResult result = listKeyDown(w.state, w.layout, key, modifiers, selectedRows(list), focusedRow(list));
      runOutcome(w, result.out);
      if (result.handled) return 0;
      break;
    }
    case WM_CHAR:
      if (listSwallowsCharacter(static_cast<char16_t>(wParam))) return 0;
      break;
    case WM_CONTEXTMENU: openContextMenu(w, list, lParam); return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == NM_CUSTOMDRAW &&
          header->hwndFrom == reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)))
        return drawHeader(w, list, reinterpret_cast<NMCUSTOMDRAW*>(lParam));
      break;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(list, listProcedure, 1); break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

HWND createList(MainWindow& w, int32_t index) {
  const MainView view = index == 0 ? MainView::Files : MainView::Extensions;
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0,
                              0, 0, 0, w.window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(index == 0 ? kFilesListId : kExtensionsListId)),
                              w.instance, nullptr);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER,
               LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(textStyleFont(programTextStyles(), TextStyle::Body)), FALSE);
  int32_t count = 0;
  const ListColumnInfo* columns = listColumns(view, count);
  for (int32_t i = 0; i < count; i++) {
    std::u16string title(text(columns[i].title));
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = columns[i].rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = scaleDip(columns[i].widthDips, static_cast<uint32_t>(w.state.dpi));
    column.pszText = reinterpret_cast<wchar_t*>(title.data());
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  SetWindowSubclass(list, listProcedure, 1, reinterpret_cast<DWORD_PTR>(&w));
  SetPropW(list, kListSubclassProperty, w.window);
  w.lists[index] = list;
  w.listColorsApplied[index] = 0;
  applyListColors(w, index);
  showSortArrow(w, list);
  return list;
}

// --- Notifications ----------------------------------------------------------------------------------
LRESULT answerCell(MainWindow& w, HWND list, NMLVDISPINFOW* info) {
  LVITEMW& item = info->item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return 0;
  item.pszText[0] = 0;
  const MainView view = viewOfList(w, list);
  if (!hasTree(w.state) || view != w.state.currentView) return 0;
  std::u16string cell = listCellText(w.state, view, item.iItem, item.iSubItem, localDateText);
  lstrcpynW(item.pszText, reinterpret_cast<const wchar_t*>(cell.c_str()), item.cchTextMax);
  return 0;
}

LRESULT drawShareBar(MainWindow& w, HWND list, NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT: {
      const MainView view = viewOfList(w, list);
      if (!hasTree(w.state) || view != w.state.currentView) return CDRF_DODEFAULT;
      const int64_t row = static_cast<int64_t>(draw->nmcd.dwItemSpec);
      RECT cell = {LVIR_BOUNDS};
      cell.top = shareColumn(view);
      if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
        return CDRF_DODEFAULT;
      ShareBar bar = shareBar(w.state, view, row, {cell.left, cell.top, cell.right, cell.bottom}, w.state.dpi);
      if (!bar.shown) return CDRF_DODEFAULT;
      fill(draw->nmcd.hdc, toRect(bar.track), listColors(currentTheme().colors).track);
      fill(draw->nmcd.hdc, toRect(bar.fill), bar.color);
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

void columnClicked(MainWindow& w, HWND list, int32_t column) {
  if (viewOfList(w, list) != w.state.currentView) return;
  ListSync sync = listColumnClicked(w.state, column);
  showSortArrow(w, list);
  applySync(w, list, sync);
  repaint(w);
}

void activate(MainWindow& w, HWND list, int64_t row) {
  if (row < 0 || viewOfList(w, list) != w.state.currentView) return;
  Outcome out = activateListRow(w.state, row);
  runOutcome(w, out);
}

}  // namespace

void syncListViews(MainWindow& w) {
  ViewState& s = w.state;
  ListSync sync = syncLists(s);
  const int32_t current = listIndexOf(s.currentView);
  if (sync.reset)
    for (HWND list : w.lists)
      if (list) SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
  HWND shown = nullptr;
  if (sync.wanted && current >= 0) {
    shown = w.lists[current] ? w.lists[current] : createList(w, current);
    if (shown) {
      applyListColors(w, current);
      const PixelRect& map = w.layout.content.map;
      RECT now;
      GetWindowRect(shown, &now);
      MapWindowPoints(nullptr, w.window, reinterpret_cast<POINT*>(&now), 2);
      if (now.left != map.left || now.top != map.top || now.right != map.right || now.bottom != map.bottom) {
        SetWindowPos(shown, nullptr, map.left, map.top, std::max(0, map.width()), std::max(0, map.height()),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        fitLastColumn(w, shown);
      }
      if (!IsWindowVisible(shown)) ShowWindow(shown, SW_SHOWNA);
      applySync(w, shown, sync);
    }
  }
  hideListViews(w, shown ? s.currentView : MainView::Map);
}

void hideListViews(MainWindow& w, MainView keep) {
  for (int32_t i = 0; i < 2; i++) {
    HWND list = w.lists[i];
    if (!list || listIndexOf(keep) == i || !IsWindowVisible(list)) continue;
    const bool hadFocus = GetFocus() == list;
    ShowWindow(list, SW_HIDE);
    if (hadFocus) {
      // The focus goes to the tab of the view shown now.
      w.state.focus = {ElementId::ViewTab, static_cast<int32_t>(w.state.currentView)};
      w.state.windowHasFocus = true;
      setKeyboardFocus(w, w.window);
    }
  }
}

void selectAllListRows(MainWindow& w) {
  const int32_t current = listIndexOf(w.state.currentView);
  if (current < 0 || !w.lists[current]) return;
  setRowState(w.lists[current], -1, LVIS_SELECTED, LVIS_SELECTED);
}

bool onListNotify(MainWindow& w, NMHDR* header, LRESULT& result) {
  HWND list = header->hwndFrom;
  if (!list || (list != w.lists[0] && list != w.lists[1])) return false;
  result = 0;
  switch (header->code) {
    case LVN_GETDISPINFOW: result = answerCell(w, list, reinterpret_cast<NMLVDISPINFOW*>(header)); break;
    case NM_CUSTOMDRAW: result = drawShareBar(w, list, reinterpret_cast<NMLVCUSTOMDRAW*>(header)); break;
    case LVN_COLUMNCLICK: columnClicked(w, list, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); break;
    case NM_DBLCLK: activate(w, list, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem); break;
    case NM_RETURN: activate(w, list, focusedRow(list)); break;
    case LVN_ITEMCHANGED:
      if (!(reinterpret_cast<NMLISTVIEW*>(header)->uChanged & LVIF_STATE)) break;
      [[fallthrough]];
    case LVN_ODSTATECHANGED:
      if (viewOfList(w, list) != w.state.currentView) break;
      listSelectionChanged(w.state, selectedRows(list));
      repaint(w);
      break;
    case LVN_BEGINDRAG: {
      if (viewOfList(w, list) != w.state.currentView) break;
      Outcome out = listDragStarted(w.state, selectedRows(list));
      runOutcome(w, out);
      break;
    }
    default: return false;
  }
  return true;
}
