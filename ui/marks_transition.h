// The marks transition: cells marked for deletion shrink out of the map and the
// reflowed map fades in, or, when marks are taken back, the map reflows and the
// returning cells grow in. The list of affected cells is taken when it starts and
// freed when it ends.
//
// Here: which cells take part, and each frame's values. The Windows side draws the
// snapshot, the new map and the listed cells.
//
// Threading: the window thread; plain values and pure functions.
#pragma once
#include "engine/tree.h"
#include "render/pixel_rect.h"
#include "treemap/treemap.h"
#include "ui/zoom_transition.h"
#include <cstdint>
#include <span>
#include <vector>

constexpr double kMarksTransitionMs = 360;

struct MarksCell {
  PixelRect rect;   // map pixels
  int32_t node = -1;
};

struct MarksTransition {
  bool running = false;
  bool vanish = true;             // else the listed cells appear
  double startMs = 0;
  std::vector<MarksCell> cells;
};

// u = min(2, 2·elapsed / 360 ms); a eases its first half, b its second.
struct MarksPhase {
  double u = 0, a = 0, b = 0;
};
MarksPhase marksPhase(double elapsedMs);

// The new map's opacity over the snapshot: it fades in during the second half when
// cells vanish, during the first when they appear.
double marksMapOpacity(bool vanish, const MarksPhase& p);

// One listed cell in a frame: its place is filled with the map background at
// `fillOpacity`, then the cell's own picture (the snapshot's when vanishing, the new
// map's when appearing) is drawn into `content`, scaled about the cell's centre,
// with `contentOpacity`. Nothing is drawn of a content that has no area.
struct MarksCellFrame {
  double fillOpacity = 0;
  MapRectF content;
  double contentOpacity = 0;
};
MarksCellFrame marksCellFrame(bool vanish, const PixelRect& cell, const MarksPhase& p);

// Marks added: the cells of the old layout whose nodes weigh nothing now (`weights`,
// one per node, after the filter was applied again).
std::vector<MarksCell> vanishingCells(const TreemapLayout& oldLayout, std::span<const float> weights);
// Marks taken back: the cells of the new layout whose nodes are one of `nodes` or lie
// inside one of them (a folder comes back with its files).
std::vector<MarksCell> appearingCells(const TreemapLayout& newLayout, const Tree& tree,
                                      std::span<const int32_t> nodes);

void startMarksTransition(MarksTransition& m, bool vanish, std::vector<MarksCell> cells, double nowMs);
bool marksTransitionDone(const MarksTransition& m, double nowMs);
// Ends it and frees its list.
void endMarksTransition(MarksTransition& m);
