#include "ui/marks_transition.h"

#include "render/theme.h"
#include <algorithm>

MarksPhase marksPhase(double elapsedMs) {
  MarksPhase p;
  p.u = std::min(2.0, 2 * std::max(0.0, elapsedMs) / kMarksTransitionMs);
  p.a = smoothstep(std::min(p.u, 1.0));
  p.b = smoothstep(std::max(0.0, p.u - 1));
  return p;
}

double marksMapOpacity(bool vanish, const MarksPhase& p) { return vanish ? p.b : p.a; }

MarksCellFrame marksCellFrame(bool vanish, const PixelRect& cell, const MarksPhase& p) {
  MarksCellFrame f;
  const double scale = vanish ? 1 - p.a : p.b;
  f.fillOpacity = vanish ? 1 : p.a;
  f.contentOpacity = vanish ? 1 - p.a : p.b;
  const double cx = (cell.left + cell.right) / 2.0, cy = (cell.top + cell.bottom) / 2.0;
  const double hw = cell.width() * scale / 2, hh = cell.height() * scale / 2;
  f.content = {cx - hw, cy - hh, cx + hw, cy + hh};
  return f;
}

std::vector<MarksCell> vanishingCells(const TreemapLayout& oldLayout, std::span<const float> weights) {
  std::vector<MarksCell> cells;
  const TreemapRect* rects = oldLayout.rects();
  for (uint64_t i = 0; i < oldLayout.rectCount; i++) {
    const TreemapRect& r = rects[i];
    if (r.node < 0 || static_cast<size_t>(r.node) >= weights.size() || weights[r.node] > 0) continue;
    cells.push_back({{r.x0, r.y0, r.x1, r.y1}, r.node});
  }
  return cells;
}

std::vector<MarksCell> appearingCells(const TreemapLayout& newLayout, const Tree& tree,
                                      std::span<const int32_t> nodes) {
  std::vector<MarksCell> cells;
  if (nodes.empty()) return cells;
  std::vector<uint8_t> given(static_cast<size_t>(tree.nodeCount), 0);
  for (int32_t n : nodes)
    if (n >= 0 && n < tree.nodeCount) given[n] = 1;
  const TreemapRect* rects = newLayout.rects();
  for (uint64_t i = 0; i < newLayout.rectCount; i++) {
    const TreemapRect& r = rects[i];
    for (int32_t n = r.node; n >= 0 && n < tree.nodeCount; n = tree.node(n).parent) {
      if (!given[n]) continue;
      cells.push_back({{r.x0, r.y0, r.x1, r.y1}, r.node});
      break;
    }
  }
  return cells;
}

void startMarksTransition(MarksTransition& m, bool vanish, std::vector<MarksCell> cells, double nowMs) {
  m.running = true;
  m.vanish = vanish;
  m.startMs = nowMs;
  m.cells = std::move(cells);
}

bool marksTransitionDone(const MarksTransition& m, double nowMs) { return nowMs - m.startMs >= kMarksTransitionMs; }

void endMarksTransition(MarksTransition& m) {
  m.running = false;
  std::vector<MarksCell>().swap(m.cells);
}
