// Flow runs: when the lava reaches each pixel of the gap network.
//
// Sections: sorting · arrival on horizontal lines · cutting into runs · entry
#include "treemap/lava.h"
#include <algorithm>

namespace {
constexpr int32_t kUnreached = (1 << 30) - 1;
// Junctions are looked up among a few neighbouring lines only: lines sharing a row
// or a column are rare, and the search must stay cheap on a drive's layout.
constexpr int kJunctionLines = 8;

// --- Sorting ------------------------------------------------------------------------------
inline bool verticalBefore(const GapLine& a, const GapLine& b) {
  return a.x != b.x ? a.x < b.x : a.y < b.y;
}
inline bool horizontalBefore(const GapLine& a, const GapLine& b) {
  return a.y != b.y ? a.y < b.y : a.x < b.x;
}

struct Network {
  const GapLine* vertical;
  size_t verticalCount;
  const GapLine* horizontal;
  size_t horizontalCount;
  int32_t* cells;
  const uint32_t* cellStart;
};

// --- Arrival on horizontal lines ------------------------------------------------------------

// A vertical line ends on the horizontal lines of its bottom row that cover its column.
void feedBottomEnds(const Network& n) {
  const GapLine* hEnd = n.horizontal + n.horizontalCount;
  for (size_t v = 0; v < n.verticalCount; ++v) {
    const GapLine& line = n.vertical[v];
    int64_t bottom = int64_t(line.y) + line.length - 1;
    const GapLine* end = std::upper_bound(n.horizontal, hEnd, bottom,
                                          [](int64_t y, const GapLine& h) { return y < h.y; });
    int examined = 0;
    for (const GapLine* h = end; h > n.horizontal && examined < kJunctionLines; ++examined) {
      --h;
      if (h->y != bottom) break;
      if (h->x <= line.x && int64_t(line.x) < int64_t(h->x) + h->length) {
        int32_t& cell = n.cells[n.cellStart[h - n.horizontal] + uint32_t(line.x - h->x)];
        cell = std::min(cell, line.length - 1);
      }
    }
  }
}

// The arrival at pixel (x, y) from the vertical lines of column x that start at or
// above it and run through row y.
int32_t arrivalFromColumn(const Network& n, int32_t x, int32_t y) {
  const GapLine* vEnd = n.vertical + n.verticalCount;
  GapLine key{x, y, 0, 1};
  const GapLine* end = std::upper_bound(n.vertical, vEnd, key,
                                        [](const GapLine& a, const GapLine& b) { return verticalBefore(a, b); });
  int32_t arrival = kUnreached;
  int examined = 0;
  for (const GapLine* v = end; v > n.vertical && examined < kJunctionLines; ++examined) {
    --v;
    if (v->x != x) break;
    if (v->y <= y && int64_t(y) < int64_t(v->y) + v->length) arrival = std::min(arrival, y - v->y);
  }
  return arrival;
}

void feedLineEnds(const Network& n) {
  for (size_t i = 0; i < n.horizontalCount; ++i) {
    const GapLine& line = n.horizontal[i];
    int32_t* cells = n.cells + n.cellStart[i];
    cells[0] = std::min(cells[0], arrivalFromColumn(n, line.x, line.y));
    int32_t last = line.length - 1;
    cells[last] = std::min(cells[last], arrivalFromColumn(n, int32_t(int64_t(line.x) + last), line.y));
  }
}

void spread(int32_t* cells, int32_t length) {
  for (int32_t k = 1; k < length; ++k) cells[k] = std::min(cells[k], cells[k - 1] + 1);
  for (int32_t k = length - 2; k >= 0; --k) cells[k] = std::min(cells[k], cells[k + 1] + 1);
}

// --- Cutting into runs ------------------------------------------------------------------------

void emit(TreemapLayout& layout, int32_t x, int32_t y, int32_t length, int32_t age, int8_t stepX) {
  layout.flowRuns.push_back({x, y, length, age, stepX, 0});
  layout.maxFlow = std::max(layout.maxFlow, age + length);
}

// Rising stretches run right from their left end, falling ones left from their right
// end, so every run's age grows along its step; a pixel where two flows meet is a
// run of its own.
void cutIntoRuns(TreemapLayout& layout, const GapLine& line, const int32_t* cells) {
  int32_t n = line.length;
  for (int32_t k = 0; k < n;) {
    if (cells[k] >= kUnreached) { ++k; continue; }
    int32_t j = k;
    if (k + 1 < n && cells[k + 1] == cells[k] + 1) {
      while (j + 1 < n && cells[j + 1] == cells[j] + 1) ++j;
      emit(layout, line.x + k, line.y, j - k + 1, cells[k], 1);
    } else if (k + 1 < n && cells[k + 1] == cells[k] - 1) {
      while (j + 1 < n && cells[j + 1] == cells[j] - 1) ++j;
      emit(layout, line.x + j, line.y, j - k + 1, cells[j], -1);
    } else {
      emit(layout, line.x + k, line.y, 1, cells[k], 1);
    }
    k = j + 1;
  }
}
}  // namespace

// --- Entry ----------------------------------------------------------------------------------------

void buildFlowRuns(TreemapLayout& layout) {
  layout.flowRuns.clear();
  layout.maxFlow = 0;
  FlowScratch& s = layout.flowScratch;
  s.lines.clear();
  for (const GapLine& line : layout.gapLines)
    if (line.vertical && line.length > 0) s.lines.push_back(line);
  size_t verticalCount = s.lines.size();
  for (const GapLine& line : layout.gapLines)
    if (!line.vertical && line.length > 0) s.lines.push_back(line);
  size_t horizontalCount = s.lines.size() - verticalCount;
  // lambdas, so that the comparisons are inlined into the sort
  std::sort(s.lines.begin(), s.lines.begin() + ptrdiff_t(verticalCount),
            [](const GapLine& a, const GapLine& b) { return verticalBefore(a, b); });
  std::sort(s.lines.begin() + ptrdiff_t(verticalCount), s.lines.end(),
            [](const GapLine& a, const GapLine& b) { return horizontalBefore(a, b); });

  for (size_t v = 0; v < verticalCount; ++v) {
    const GapLine& line = s.lines[v];
    layout.flowRuns.push_back({line.x, line.y, line.length, 0, 0, 1});
    layout.maxFlow = std::max(layout.maxFlow, line.length);
  }

  s.cellStart.resize(horizontalCount + 1);
  uint32_t total = 0;
  for (size_t i = 0; i < horizontalCount; ++i) {
    s.cellStart[i] = total;
    total += uint32_t(s.lines[verticalCount + i].length);
  }
  s.cellStart[horizontalCount] = total;
  s.cells.assign(total, kUnreached);

  Network n{s.lines.data(), verticalCount, s.lines.data() + verticalCount, horizontalCount,
            s.cells.data(), s.cellStart.data()};
  if (verticalCount > 0) feedBottomEnds(n);
  feedLineEnds(n);
  for (size_t i = 0; i < horizontalCount; ++i) {
    const GapLine& line = n.horizontal[i];
    int32_t* cells = n.cells + s.cellStart[i];
    spread(cells, line.length);
    cutIntoRuns(layout, line, cells);
  }
  if (layout.flowRuns.empty()) std::vector<FlowRun>().swap(layout.flowRuns);
}
