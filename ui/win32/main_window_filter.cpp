// Applying the filter bar to the shown tree: the three edits' texts compiled into
// a filter and turned into one weight per node, which the map and the summary read.
// Weights are in force while a filter applies or sizes on disk are shown (the
// logical size is each node's own without them), and while marks exist.
//
// Threading: the window thread, the only one that touches the shown tree.
#include "engine/filter.h"
#include "ui/filter_bar.h"
#include "ui/marking.h"
#include "ui/win32/main_window.h"

namespace {

std::u16string editText(HWND edit) {
  int32_t length = GetWindowTextLengthW(edit);
  std::u16string text(static_cast<size_t>(length > 0 ? length : 0), u'\0');
  if (length > 0) GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  return text;
}

}  // namespace

void applyFilters(MainWindow& w) {
  ViewState& s = w.state;
  s.filter.search = editText(w.edits[0]);
  s.filter.types = editText(w.edits[1]);
  s.filter.minimumSize = editText(w.edits[2]);
  // Marks weigh in: outside the review marked subtrees weigh nothing, in it only they
  // count; their totals follow the size mode of this application.
  if (hasMarks(s)) refreshMarkTotals(s);
  MarkWeighting marks = markWeighting(s);
  Outcome out;
  applyFilters(s, w.weights, marks.flags, out);
  if (!s.shown.weightsInUse) {
    w.weights.clear();
    w.weights.shrink_to_fit();
  }
  runOutcome(w, out);
}
