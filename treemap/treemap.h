// The treemap's chief header: the flat array of leaf rectangles that the layout
// produces and that the raster, the glow, hit testing and painting read.
//
// Threading: a TreemapLayout belongs to the thread that draws its map (the window
// thread for the main map); nothing here is shared.
//
// Sections: records · layout · raster
#pragma once
#include "engine/tree.h"
#include "platform/arena.h"
#include "treemap/schemes.h"
#include <cstdint>
#include <vector>

// --- Records -----------------------------------------------------------------------
// One leaf. The cushion over it is z(x, y) = quadX·x² + linX·x + quadY·y² + linY·y in
// pixels of the map area; the rectangle is half-open: x0 <= x < x1, y0 <= y < y1.
struct TreemapRect {
  double quadX, quadY, linX, linY;
  int32_t x0, y0, x1, y1;
  int32_t node;
  uint32_t color;    // 0x00RRGGBB under the scheme current at layout time
};

// Centre line of a gap, collected while laying out with the glow on.
struct GapLine {
  int32_t x, y;        // first pixel
  int32_t length;      // pixels
  int32_t vertical;    // 0: runs to the right, 1: runs downward
};

// A monotone stretch of a gap line that the lava reaches pixel by pixel.
struct FlowRun {
  int32_t x, y;
  int32_t length;
  int32_t startAge;    // arrival of the lava at the first pixel, in pixels of flow
  int8_t stepX, stepY;
};

// Where the layout stands in one subdivided folder; kept on an explicit stack so
// that arbitrarily deep trees cannot overflow the thread's stack.
struct LayoutFrame {
  double x0, y0, x1, y1;              // the folder's area
  double quadX, quadY, linX, linY;    // the folder's cushion
  double ridge;                       // ridge height of its children
  double cx, cy, remaining;           // corner of the unfilled area, weight not yet placed
  double rowWeight, side, along;      // the current row
  double bandStart, bandEnd;          // the row's band across its direction (gap-adjusted)
  double bandFrom;                    // the band's start along its direction (gap-adjusted)
  int32_t stackBase, stackEnd, next, rowEnd;   // children on the scratch stack
  bool gaps, horizontal;
};

// Working arrays of buildFlowRuns, kept so that a new layout allocates nothing.
struct FlowScratch {
  std::vector<GapLine> lines;         // the gap lines, vertical ones first, sorted
  std::vector<int32_t> cells;         // arrival of the lava at each pixel of the horizontal lines
  std::vector<uint32_t> cellStart;    // first cell of each horizontal line
};

struct TreemapLayout {
  std::vector<int32_t> scratch;       // children of the folders being laid out
  std::vector<double> scratchWeights; // their weights, read again for every row
  std::vector<FlowRun> flowRuns;      // empty unless the glow is on
  Arena rectArena;                    // TreemapRect[], 4 GiB reserved on first use
  uint64_t rectCount = 0;
  int32_t gap = 0;                    // the gap actually used
  int32_t maxFlow = 0;                // largest start age + length over the flow runs
  std::vector<GapLine> gapLines;      // of the last layout in layout order, for building the flow runs
  FlowScratch flowScratch;
  std::vector<LayoutFrame> frames;

  const TreemapRect* rects() const { return reinterpret_cast<const TreemapRect*>(rectArena.base); }
  uint64_t committedBytes() const { return rectArena.committed; }
};

// --- Layout --------------------------------------------------------------------------
constexpr uint64_t kTreemapRectReserve = 4ull << 30;

// Lays out the subtree of `root` (negative: none) as squarified cushions for a
// width × height pixel area. `weights` (a float per node index, `weightCount` of
// them) replace the node sizes when given; `gap` is in pixels, 0 for none; `glow`
// collects the gap centre lines; `scheme` colours the rectangles. Replaces the
// rectangles, gap, gap lines and flow runs.
void layoutTreemap(TreemapLayout& layout, const Tree& tree, int32_t root, int32_t width,
                   int32_t height, const float* weights, uint64_t weightCount, int32_t gap,
                   bool glow, const MapScheme& scheme);
void releaseTreemapLayout(TreemapLayout& layout);

// Appends one rectangle, growing the reserved array (for callers that compose their own).
void pushTreemapRect(TreemapLayout& layout, const TreemapRect& rect);

// --- Raster -----------------------------------------------------------------------------
// Fills width × height pixels (0xFFRRGGBB, stride = width) with `background`, shades
// every rectangle as a cushion under `scheme`, hatches type colours when
// patternSize > 0 and adds the halo for glowing schemes. A buffer smaller than
// width × height is left untouched.
void rasterTreemap(const TreemapLayout& layout, uint32_t* pixels, uint64_t pixelCount,
                   int32_t width, int32_t height, uint32_t background, int32_t patternSize,
                   const MapScheme& scheme);

// Shades one rectangle of a buffer with `stride` pixels per row. Pixels outside the
// buffer are not written; patterns use buffer coordinates so they line up.
void shadeCushion(uint32_t* pixels, uint64_t pixelCount, int32_t stride, int32_t x0, int32_t y0,
                  int32_t x1, int32_t y1, double quadX, double quadY, double linX, double linY,
                  uint32_t color, double brightness, int32_t pattern, int32_t patternSize,
                  double ambient, double intensity);

// Whether pattern n marks pixel (x, y) at size p (line width max(1, p div 4)).
bool patternMarks(int32_t pattern, int32_t patternSize, int32_t x, int32_t y);
