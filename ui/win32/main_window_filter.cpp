// The filter bar's three edits and applying them to the shown tree: the edits'
// cue banners, their place inside the frames the window draws, their keys (which
// also steer the suggestion popup) and notifications, and the weights computed
// from their texts, which the map, the lists and the summary read. Weights are in
// force while a filter applies or sizes on disk are shown, and while marks exist.
//
// Threading: the window thread, the only one that touches the shown tree.
#include "engine/filter.h"
#include "render/scale.h"
#include "render/win32/text.h"
#include "ui/filter_bar.h"
#include "ui/marking.h"
#include "ui/win32/main_window.h"
#include <algorithm>
#include <commctrl.h>

namespace {

constexpr int32_t kFieldCount = 3;   // search, types, minimum size; the address edit is the sidebar's

std::u16string editText(HWND edit) {
  int32_t length = GetWindowTextLengthW(edit);
  std::u16string text(static_cast<size_t>(length > 0 ? length : 0), u'\0');
  if (length > 0) {
    int32_t copied = GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  }
  return text;
}

int32_t fieldIndexOf(const MainWindow& w, HWND edit) {
  for (int32_t i = 0; i < kFieldCount; i++)
    if (w.edits[i] == edit) return i;
  return -1;
}

LRESULT CALLBACK fieldProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  MainWindow& w = *reinterpret_cast<MainWindow*>(data);
  const int32_t index = fieldIndexOf(w, edit);
  switch (message) {
    case WM_CHAR:
      if (fieldSwallowsCharacter(static_cast<char16_t>(wParam))) return 0;
      break;
    case WM_KEYDOWN: {
      if (index < 0) break;
      Key key = keyOf(wParam);
      if (key == Key::Other) break;
      if (!w.layoutValid) relayout(w);
      FieldKeyResult result =
          filterFieldKeyDown(w.state, w.layout, kFilterFields[index].id, key, GetKeyState(VK_SHIFT) < 0);
      runOutcome(w, result.out);
      if (result.handled) return 0;
      break;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(edit, fieldProcedure, 2); break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void setupFilterEdits(MainWindow& w) {
  for (int32_t i = 0; i < kFieldCount; i++) {
    HWND edit = w.edits[i];
    if (!edit) continue;
    std::u16string cue(text(kFilterFields[i].cue));
    SendMessageW(edit, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
    SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    SetWindowSubclass(edit, fieldProcedure, 2, reinterpret_cast<DWORD_PTR>(&w));
  }
}

PixelRect filterEditRect(const PixelRect& field, ElementId id, int32_t dpi) {
  if (field.width() <= 0 || field.height() <= 0) return field;
  // Inside the frame the window draws: where its text would start (after the search
  // glyph in the search field), one line high, centred.
  const int32_t left = field.left + scaleDip(id == ElementId::SearchEdit ? 36 : 12, static_cast<uint32_t>(dpi));
  const int32_t right = field.right - scaleDip(8, static_cast<uint32_t>(dpi));
  int32_t line = scaleDip(20, static_cast<uint32_t>(dpi));
  if (HDC dc = GetDC(nullptr)) {
    HGDIOBJ old = SelectObject(dc, textStyleFont(programTextStyles(), TextStyle::Body));
    TEXTMETRICW metrics;
    if (GetTextMetricsW(dc, &metrics)) line = metrics.tmHeight + 2;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  line = std::min(line, field.height() - 2 * scaleDip(2, static_cast<uint32_t>(dpi)));
  const int32_t top = field.top + (field.height() - line) / 2;
  return {left, top, std::max(left, right), top + std::max(0, line)};
}

void onFilterEditCommand(MainWindow& w, int32_t id, int32_t code) {
  const int32_t index = id - kSearchEditId;
  if (index < 0 || index >= kFieldCount) return;
  HWND edit = w.edits[index];
  const ElementId field = kFilterFields[index].id;
  Outcome out;
  switch (code) {
    case EN_CHANGE: out = filterFieldChanged(w.state, field, editText(edit), GetFocus() == edit); break;
    case EN_SETFOCUS: out = filterFieldFocused(w.state, field); break;
    case EN_KILLFOCUS: out = filterFieldBlurred(w.state, field); break;
    default: return;
  }
  runOutcome(w, out);
}

void applyFilters(MainWindow& w) {
  ViewState& s = w.state;
  KillTimer(w.window, kFilterTimer);
  s.filter.search = editText(w.edits[0]);
  s.filter.types = editText(w.edits[1]);
  s.filter.minimumSize = editText(w.edits[2]);
  // Marks weigh in: outside the review marked subtrees weigh nothing, in it only they
  // count; their totals follow the size mode of this application.
  if (hasMarks(s)) refreshMarkTotals(s);
  MarkWeighting marks = markWeighting(s);
  Outcome out;
  ::applyFilters(s, w.weights, marks.flags, out);
  if (!s.shown.weightsInUse) {
    w.weights.clear();
    w.weights.shrink_to_fit();
  }
  runOutcome(w, out);
}
