// The map's zoom and marks transitions in the main window: when a change may be
// animated, the snapshot, the map update at once and the 15 ms timer that asks for
// frames until the transition's time is up. Otherwise the change shows at the next
// paint, as if there were no transitions.
//
// Threading: the window thread.
#include "platform/platform.h"
#include "ui/win32/main_window.h"

namespace {

// Read when a transition would start, so that switching animations off in the
// system takes effect without a restart.
bool clientAreaAnimationsOn(const ViewState& s) {
  BOOL on = TRUE;
  if (!SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0)) return s.facts.animationsOn;
  return on != FALSE;
}

// What every map transition needs: a drawn window, a device, pixels laid out for the
// map area as it is, no live resize.
bool mapCanAnimate(MainWindow& w) {
  const ViewState& s = w.state;
  const MapPicture& map = w.paint.map;
  const PixelRect& area = w.layout.content.map;
  return w.painting && w.resources.target.context && !map.pixels.empty() && !s.resizing &&
         map.width == area.width() && map.height == area.height() && s.treemap == &map.cells &&
         s.treemapWidth == area.width() && s.treemapHeight == area.height();
}

void startTransitionTimer(MainWindow& w) {
  SetTimer(w.window, kTransitionTimer, kMapTransitionTickMs, nullptr);
  requestMapAnimationFrame(w);
}

}  // namespace

void endZoomTransitionNow(MainWindow& w, bool measure) {
  MapTransitions& t = w.paint.transitions;
  endZoomTransition(t.zoom, nowMs(), w.state.performance.frames.zoomFrames, measure, w.state.performance.lastZoomFps);
  w.state.zoomRunning = false;
  if (!t.running()) KillTimer(w.window, kTransitionTimer);
}

void zoomMapNow(MainWindow& w, const Effect& e) {
  ViewState& s = w.state;
  MainPaint& p = w.paint;
  endZoomTransitionNow(w, true);
  s.mapStale = true;   // the instant path: the next paint lays the new view root out
  if (!e.animate || !mapCanAnimate(w) || !hasTree(s)) return;
  const bool on = clientAreaAnimationsOn(s);
  s.facts.animationsOn = on;
  if (!on) return;
  const Tree& tree = *s.shown.tree;
  ID2D1DeviceContext* dc = w.resources.target.context;
  PixelRect folder;
  if (e.flag) {
    // Zooming in scales the folder's part of the old picture up to the whole map.
    if (!folderRectInLayout(p.map.cells, tree, e.node, e.number, folder)) return;
    if (!takeMapSnapshot(p.transitions, p.bitmap, p.map, dc)) return;
    updateMainMap(p, s, w.layout);
  } else {
    // Going up: the old view root is found in the new layout.
    if (!takeMapSnapshot(p.transitions, p.bitmap, p.map, dc)) return;
    updateMainMap(p, s, w.layout);
    if (!folderRectInLayout(p.map.cells, tree, e.number, e.node, folder)) return;
  }
  startZoomTransition(p.transitions.zoom, e.flag, folder, nowMs(), s.performance.frames.zoomFrames);
  s.zoomRunning = true;
  startTransitionTimer(w);
}

void startMarksTransitionNow(MainWindow& w, bool vanish) {
  ViewState& s = w.state;
  MainPaint& p = w.paint;
  std::vector<int32_t> appearing = std::move(s.marks.appearing);
  s.marks.appearing.clear();
  s.mapStale = true;
  if (p.transitions.zoom.running || !mapCanAnimate(w) || !hasTree(s) || p.map.cells.rectCount == 0) return;
  const bool on = clientAreaAnimationsOn(s);
  s.facts.animationsOn = on;
  if (!on) return;
  std::vector<MarksCell> cells;
  if (vanish) {
    // The weights already leave the marked items out; the cells are the old layout's.
    std::span<const float> weights;
    if (s.shown.weightsInUse && s.shown.weights) weights = {s.shown.weights, static_cast<size_t>(s.shown.weightCount)};
    cells = vanishingCells(p.map.cells, weights);
  }
  if (!takeMapSnapshot(p.transitions, p.bitmap, p.map, w.resources.target.context)) return;
  updateMainMap(p, s, w.layout);
  if (!vanish) cells = appearingCells(p.map.cells, *s.shown.tree, appearing);
  startMarksTransition(p.transitions.marks, vanish, std::move(cells), nowMs());
  startTransitionTimer(w);
}

void onTransitionTimer(MainWindow& w) {
  MapTransitions& t = w.paint.transitions;
  const double now = nowMs();
  // A size change of the map area ends a zoom without measuring it.
  if (t.zoom.running && !w.state.zoomRunning) endZoomTransitionNow(w, false);
  if (t.zoom.running && transitionElapsed(t, t.zoom.startMs, now) >= kZoomTransitionMs) endZoomTransitionNow(w, true);
  if (t.marks.running && transitionElapsed(t, t.marks.startMs, now) >= kMarksTransitionMs) endMarksTransition(t.marks);
  if (!t.running()) KillTimer(w.window, kTransitionTimer);
  requestMapAnimationFrame(w);
}
