// The lava glow of glowing schemes: the gaps of the map fill with lava that pours
// down every vertical gap line and spreads sideways along the horizontal ones,
// cooling from pale yellow to dark red as it ages. This header holds the flow runs
// (where and when the lava arrives), the lookup tables both drawing paths share,
// and the CPU drawing. The animation clock is in lava_clock.h, the choice between
// the GPU and the CPU path in map_bitmap.h.
//
// Threading: everything runs on the thread that owns the layout (the window thread
// for the main map). drawLavaFlow without tables keeps one set of tables per thread.
//
// Sections: flow runs · tables · drawing
#pragma once
#include "treemap/treemap.h"
#include <cstdint>
#include <vector>

// --- Flow runs -----------------------------------------------------------------------
// Turns layout.gapLines into layout.flowRuns and layout.maxFlow: every vertical line
// starts flowing at age 0 from its top; a horizontal line is reached where a
// vertical line ends on it or meets one of its ends, and the lava spreads both ways
// from there. Each run's age grows by one pixel per pixel along its step. With no
// runs the run array is released. layoutTreemap calls this when the glow is on.
void buildFlowRuns(TreemapLayout& layout);

// --- Tables ---------------------------------------------------------------------------
// Gaps the glow is drawn for; the GPU's lookup data has room for up to 16 pixels.
constexpr int32_t kLavaMaxGap = 16;
constexpr bool lavaGapDrawable(int32_t gap) { return gap >= 1 && gap <= kLavaMaxGap; }

// Ages are pixels of flow: the head is hot for 6g, the colour settles at 80g.
constexpr int32_t lavaRestAge(int32_t gap) { return 80 * gap; }
constexpr int32_t lavaHeadAge(int32_t gap) { return 6 * gap; }

// The lookup data, as 32-bit values: the line kernel k1[0 .. (g+1)²], the head
// kernel k2[0 .. (4g)²], then lavaRamp for the ages 0 .. 80g (0x00RRGGBB).
constexpr uint32_t lavaLineKernelStart(int32_t) { return 0; }
constexpr uint32_t lavaHeadKernelStart(int32_t g) { return uint32_t((g + 1) * (g + 1) + 1); }
constexpr uint32_t lavaRampStart(int32_t g) { return lavaHeadKernelStart(g) + uint32_t(16 * g * g + 1); }
constexpr uint32_t lavaLookupCount(int32_t g) { return lavaRampStart(g) + uint32_t(80 * g + 1); }
constexpr uint32_t kLavaLookupCapacity = lavaLookupCount(kLavaMaxGap);   // 5668
static_assert(kLavaLookupCapacity == 5668);

// Fills lavaLookupCount(gap) values; false (and nothing written) for a gap the
// glow is not drawn for.
bool fillLavaLookup(int32_t gap, uint32_t* values);

// Everything the CPU path draws from, built once per gap: the cross-section of the
// lava by age and offset from the centre line (in three orders, so that every run
// adds contiguous pixels), and the head discs by age, built when first needed.
struct LavaTables {
  int32_t gap = 0;                     // 0: not built
  int32_t width = 0;                   // 2g + 3 pixels across a line
  std::vector<uint32_t> lookup;        // as fillLavaLookup
  std::vector<uint32_t> byAge;         // [age 0..80g][offset −(g+1)..g+1]
  std::vector<uint32_t> byOffsetRising;   // [offset][age]
  std::vector<uint32_t> byOffsetFalling;  // [offset][80g − age]
  std::vector<uint32_t> discs;         // [age 0..6g−1][dy][dx], (8g+1)² pixels each
  std::vector<uint8_t> discReady;      // per age
  std::vector<int32_t> discHalfWidth;  // per dy in −4g..4g
};

// Builds the tables for `gap` unless they are already built for it; false for a
// gap the glow is not drawn for.
bool prepareLavaTables(LavaTables& tables, int32_t gap);

// --- Drawing ---------------------------------------------------------------------------
// Adds the glow of every flow run at progress t (pixels of flow) to width × height
// pixels (0xFFRRGGBB, stride = width), per channel, limited to 255, alpha left at
// 0xFF. Nothing happens for t < 0, a gap outside 1..16, or a buffer smaller than
// width × height.
void drawLavaFlow(const TreemapLayout& layout, uint32_t* pixels, uint64_t pixelCount,
                  int32_t width, int32_t height, int32_t t);
void drawLavaFlow(LavaTables& tables, const TreemapLayout& layout, uint32_t* pixels,
                  uint64_t pixelCount, int32_t width, int32_t height, int32_t t);

// How long the lava flows for a layout: maxFlow + 80·gap, 0 when it has no runs.
int32_t lavaTotal(const TreemapLayout& layout);
