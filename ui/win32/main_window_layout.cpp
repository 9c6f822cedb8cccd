// The window's geometry: the layout pass and what follows from it (the edits and
// tooltip tools placed, the map marked stale when its area changed), the size
// and DPI messages with the pause of a live resize.
//
// Threading: the window thread.
#include "render/scale.h"
#include "render/win32/text.h"
#include "ui/summary_text.h"
#include "ui/win32/main_window.h"
#include "ui/win32/text_measurer.h"

namespace {

// Only a child whose rectangle changed is moved, so the layout can run at every
// paint. No copying of its old pixels: the window repaints around it anyway, and
// under Wine copying them from a window drawn by a swap chain could hang the move.
void placeChild(HWND child, const PixelRect& r, const PixelRect& before) {
  if (!child || r == before) return;
  SetWindowPos(child, nullptr, r.left, r.top, r.width() > 0 ? r.width() : 0, r.height() > 0 ? r.height() : 0,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

bool sameSize(const PixelRect& a, const PixelRect& b) { return a.width() == b.width() && a.height() == b.height(); }

}  // namespace

void refreshInputs(MainWindow& w) {
  ViewState& s = w.state;
  s.nowMs = nowMs();
  if (s.scan.scanning) {
    s.scan.progress.done = w.handOver.progress.done.load(std::memory_order_relaxed);
    s.scan.progress.total = w.handOver.progress.total.load(std::memory_order_relaxed);
    s.scan.progress.mftScanInUse = w.handOver.mftScanInUse.load(std::memory_order_relaxed) != 0;
  }
  refreshExportProgress(w);
  if (w.testInput && !GetFocus()) s.windowHasFocus = true;
}

void relayout(MainWindow& w) {
  ViewState& s = w.state;
  RECT client, outer;
  GetClientRect(w.window, &client);
  GetWindowRect(w.window, &outer);
  // A minimised window keeps the size it had: nothing is drawn until it comes back.
  if (client.right > 0 && client.bottom > 0) {
    s.clientWidth = client.right;
    s.clientHeight = client.bottom;
    s.outerWidth = outer.right - outer.left;
  }
  refreshInputs(w);
  refreshViewCounts(s);
  DirectWriteMeasurer measurer(programTextStyles());
  WindowLayout old = std::move(w.layout);
  w.layout = layoutWindow(s, measurer);
  const bool first = !w.layoutValid;
  w.layoutValid = true;
  s.relayoutPending = false;
  if (!sameSize(old.content.map, w.layout.content.map)) w.state.mapStale = true;
  const PixelRect none{-1, -1, -1, -1};
  const PixelRect* fields[3][2] = {{&w.layout.searchField, &old.searchField},
                                   {&w.layout.typesField, &old.typesField},
                                   {&w.layout.sizeField, &old.sizeField}};
  for (int i = 0; i < 3; i++) {
    const ElementId id = static_cast<ElementId>(static_cast<int32_t>(ElementId::SearchEdit) + i);
    placeChild(w.edits[i], filterEditRect(*fields[i][0], id, s.dpi),
               first ? none : filterEditRect(*fields[i][1], id, s.dpi));
  }
  placeChild(w.edits[3], w.layout.addressEdit, first ? none : old.addressEdit);
  bool toolsMoved = first;
  for (int i = 1; i < kTooltipCount; i++) toolsMoved |= !(old.tooltips[i] == w.layout.tooltips[i]);
  if (toolsMoved) placeTooltipTools(w);
}

void repaint(MainWindow& w) { InvalidateRect(w.window, nullptr, FALSE); }

void onSize(MainWindow& w, WPARAM kind) {
  if (kind == SIZE_MINIMIZED) {
    // Nothing to draw until it comes back: let the device give its memory back.
    tearDownMapOverlay(w.overlay, w.window);
    releaseDeviceBound(w.resources);
    trimRenderDevice();
    return;
  }
  PixelRect oldMap = w.layout.content.map;
  relayout(w);
  if (w.layoutValid && !sameSize(oldMap, w.layout.content.map)) {
    // While the size keeps changing the last picture is stretched; 150 ms after
    // the last change the map is laid out for the new size.
    w.state.zoomRunning = false;
    w.state.resizing = true;
    SetTimer(w.window, kResizeTimer, 150, nullptr);
  }
  repaint(w);
}

void onDpiChanged(MainWindow& w, uint32_t dpi, const RECT& suggested) {
  w.state.dpi = static_cast<int32_t>(dpi);
  setProgramDpi(dpi);
  createTextStyles(programTextStyles(), dpi);
  for (int i = 0; i < 4; i++)
    SendMessageW(w.edits[i], WM_SETFONT,
                 reinterpret_cast<WPARAM>(textStyleFont(programTextStyles(), i < 3 ? TextStyle::Body : TextStyle::LargeTitle)),
                 TRUE);
  SetWindowPos(w.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  relayout(w);
  w.state.mapStale = true;
  repaint(w);
}
