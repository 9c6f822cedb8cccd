// The zoom benchmark: in the same run and the same window, a paint that lays out and
// rasterises the whole map (what a zoom costs once, at its start) against the frames
// of a zoom transition (two bitmaps drawn into the map area, at the steps of its
// 15 ms cadence), written as JSON with their medians and ratio.
#include "paint_window.h"

#include "platform/platform.h"
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The largest folder among the view root's children, as a zoom into it would scale it.
bool largestFolderRect(const PaintWindow& w, PixelRect& out) {
  const ViewState& s = w.state;
  if (!s.treemap || !s.shown.tree) return false;
  const Tree& tree = *s.shown.tree;
  int64_t best = -1;
  for (int32_t child = tree.node(s.shown.viewRoot).firstChild; child >= 0; child = tree.node(child).nextSibling) {
    PixelRect r;
    if (!folderRectInLayout(*s.treemap, tree, child, s.shown.viewRoot, r)) continue;
    const int64_t area = int64_t(r.width()) * r.height();
    if (area > best && area < int64_t(s.treemapWidth) * s.treemapHeight) {
      best = area;
      out = r;
    }
  }
  return best > 0;
}

void writeRuns(FILE* f, const char* name, const std::vector<double>& runs) {
  fprintf(f, "  \"%s\": {\"runs\": [", name);
  for (size_t i = 0; i < runs.size(); i++) fprintf(f, "%s%.3f", i ? ", " : "", runs[i]);
  fprintf(f, "], \"medianMs\": %.3f}", median(runs));
}

}  // namespace

void runZoomBench(PaintWindow& w) {
  enterState(w, PaintState::Map);
  relayoutTestWindow(w);
  paintNow(w);   // the first frame makes the bitmap and the text formats
  paintNow(w);
  MapTransitions& t = w.paint.transitions;
  const PixelRect map = w.layout.content.map;
  std::vector<double> fullUpdate, zoomFrames;
  PixelRect folder;
  const bool haveFolder = largestFolderRect(w, folder);
  for (int32_t run = 0; run < w.options.benchRuns && haveFolder; run++) {
    w.state.mapStale = true;
    paintNow(w);
    fullUpdate.push_back(w.state.performance.frames.paintMs);
    if (!takeMapSnapshot(t, w.paint.bitmap, w.paint.map, w.resources.target.context)) break;
    for (int32_t step = 0; step * kMapTransitionTickMs < kZoomTransitionMs; step++) {
      // Each frame at its step of the transition's clock, in and out alternately.
      startZoomTransition(t.zoom, step % 2 == 0, folder, nowMs() - step * double(kMapTransitionTickMs), 0);
      w.state.zoomRunning = true;
      const uint64_t drawn = t.zoomFramesDrawn;
      paintPartNow(w, map);
      if (t.zoomFramesDrawn != drawn) zoomFrames.push_back(w.state.performance.frames.paintMs);
    }
    t.zoom.running = false;
    w.state.zoomRunning = false;
  }
  FILE* f = w.options.benchOut.empty() ? nullptr : _wfopen(w.options.benchOut.c_str(), L"wb");
  if (f) {
    const double full = median(fullUpdate), frame = median(zoomFrames);
    fprintf(f, "{\n  \"cells\": %lld, \"client\": [%d, %d], \"map\": [%d, %d], \"folder\": [%d, %d, %d, %d],\n",
            static_cast<long long>(w.state.treemap ? w.state.treemap->rectCount : 0), w.state.clientWidth,
            w.state.clientHeight, map.width(), map.height(), folder.left, folder.top, folder.right, folder.bottom);
    writeRuns(f, "fullUpdate", fullUpdate);
    fprintf(f, ",\n");
    writeRuns(f, "zoomFrame", zoomFrames);
    fprintf(f, ",\n  \"zoomFrameToFullUpdate\": %.4f\n}\n", full > 0 ? frame / full : 0);
    fclose(f);
  }
  DestroyWindow(w.window);
}
