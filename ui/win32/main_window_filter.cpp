// Applying the filter bar to the shown tree: the three edits' texts compiled into
// a filter and turned into one weight per node, which the map and the summary read.
// Weights are in force while a filter applies or sizes on disk are shown (the
// logical size is each node's own without them).
//
// Threading: the window thread, the only one that touches the shown tree.
#include "engine/filter.h"
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
  MinimumSize minimum = parseMinimumSize(s.filter.minimumSize, s.settings.sizeUnits == SizeUnits::Decimal);
  s.filter.sizeInvalid = !minimum.valid;
  CompiledFilter filter = compileFilter(s.filter.search, s.filter.types, minimum.valid ? minimum.bytes : 0);
  s.shown.filterActive = isFilterActive(filter);
  s.filterGeneration++;
  w.state.mapStale = true;
  s.shown.weights = nullptr;
  s.shown.weightCount = 0;
  s.shown.weightsInUse = false;
  s.shown.matchingCount = 0;
  s.performance.filterMs = -1;
  if (!hasTree(s)) {
    repaint(w);
    return;
  }
  const bool onDisk = s.settings.sizeMode == SizeMode::OnDisk;
  if (s.shown.filterActive || onDisk) {
    double start = nowMs();
    s.shown.matchingCount = applyFilter(*s.shown.tree, filter, onDisk, w.weights, nullptr, false);
    s.performance.filterMs = nowMs() - start;
    s.shown.weights = w.weights.data();
    s.shown.weightCount = w.weights.size();
    s.shown.weightsInUse = true;
  } else {
    w.weights.clear();
    w.weights.shrink_to_fit();
  }
  relayout(w);
  repaint(w);
}
