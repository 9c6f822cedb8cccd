// The CPU path of the lava glow: kernels and cross-sections built once per gap,
// then every run adds whole rows of table pixels to the map with saturating adds.
// Saturating additions of non-negative values commute, so adding a horizontal run
// row by row gives the same pixels as adding it pixel by pixel.
//
// Sections: adding pixels · tables · drawing
#include "treemap/lava.h"
#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// --- Adding pixels ------------------------------------------------------------------------
namespace {
#if defined(__SSE2__)
inline uint32_t addPixel(uint32_t p, uint32_t q) {
  return uint32_t(_mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(int32_t(p)), _mm_cvtsi32_si128(int32_t(q)))));
}
#else
inline uint32_t addPixel(uint32_t p, uint32_t q) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t sum = (p >> shift & 0xFF) + (q >> shift & 0xFF);
    out |= std::min(sum, 255u) << shift;
  }
  return out;
}
#endif

inline void addRow(uint32_t* pixels, const uint32_t* add, int32_t count) {
  int32_t i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= count; i += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
    __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_adds_epu8(p, q));
  }
#endif
  for (; i < count; ++i) pixels[i] = addPixel(pixels[i], add[i]);
}

inline void addConstant(uint32_t* pixels, uint32_t add, int32_t count) {
  int32_t i = 0;
#if defined(__SSE2__)
  __m128i q = _mm_set1_epi32(int32_t(add));
  for (; i + 4 <= count; i += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), _mm_adds_epu8(p, q));
  }
#endif
  for (; i < count; ++i) pixels[i] = addPixel(pixels[i], add);
}

// (channel · weight) >> 8 for red, green and blue; alpha 0xFF.
inline uint32_t weighted(uint32_t color, uint32_t weight) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) out |= (((color >> shift & 0xFF) * weight) >> 8) << shift;
  return out;
}

uint32_t kernelWeight(int32_t i, int32_t radius) {
  double fade = 1 - std::sqrt(double(i)) / radius;
  return uint32_t(std::min(65535.0, std::max(0.0, fade * fade * 256)));
}
}  // namespace

// --- Tables ----------------------------------------------------------------------------------

bool fillLavaLookup(int32_t g, uint32_t* values) {
  if (!lavaGapDrawable(g)) return false;
  uint32_t* lineKernel = values + lavaLineKernelStart(g);
  for (int32_t i = 0; i <= (g + 1) * (g + 1); ++i) lineKernel[i] = kernelWeight(i, g + 2);
  lineKernel[0] = 256;
  uint32_t* headKernel = values + lavaHeadKernelStart(g);
  for (int32_t i = 0; i <= 16 * g * g; ++i) headKernel[i] = kernelWeight(i, 4 * g + 1);
  uint32_t* ramp = values + lavaRampStart(g);
  for (int32_t a = 0; a <= lavaRestAge(g); ++a) ramp[a] = lavaRamp(a, g);
  return true;
}

bool prepareLavaTables(LavaTables& tables, int32_t g) {
  if (!lavaGapDrawable(g)) return false;
  if (tables.gap == g) return true;
  tables.gap = g;
  tables.width = 2 * g + 3;
  tables.lookup.resize(lavaLookupCount(g));
  fillLavaLookup(g, tables.lookup.data());
  const uint32_t* lineKernel = tables.lookup.data() + lavaLineKernelStart(g);
  const uint32_t* ramp = tables.lookup.data() + lavaRampStart(g);
  int32_t rest = lavaRestAge(g), across = g + 1, width = tables.width;
  tables.byAge.resize(size_t(rest + 1) * size_t(width));
  tables.byOffsetRising.resize(tables.byAge.size());
  tables.byOffsetFalling.resize(tables.byAge.size());
  for (int32_t a = 0; a <= rest; ++a) {
    for (int32_t o = -across; o <= across; ++o) {
      uint32_t pixel = weighted(ramp[a], lineKernel[o * o]);
      size_t column = size_t(o + across);
      tables.byAge[size_t(a) * size_t(width) + column] = pixel;
      tables.byOffsetRising[column * size_t(rest + 1) + size_t(a)] = pixel;
      tables.byOffsetFalling[column * size_t(rest + 1) + size_t(rest - a)] = pixel;
    }
  }
  int32_t radius = 4 * g;
  tables.discHalfWidth.resize(size_t(2 * radius + 1));
  for (int32_t dy = -radius; dy <= radius; ++dy) {
    int32_t d = 0;
    while (dy * dy + (d + 1) * (d + 1) <= radius * radius) ++d;
    tables.discHalfWidth[size_t(dy + radius)] = d;
  }
  tables.discs.clear();
  tables.discReady.assign(size_t(lavaHeadAge(g)), 0);
  return true;
}

namespace {
// The head disc of age c (< 6g): its pixels fade with the distance and with the age.
const uint32_t* headDisc(LavaTables& tables, int32_t c) {
  int32_t g = tables.gap, radius = 4 * g, side = 2 * radius + 1, hot = lavaHeadAge(g);
  size_t discPixels = size_t(side) * size_t(side);
  if (tables.discs.empty()) tables.discs.resize(discPixels * size_t(hot));
  uint32_t* disc = tables.discs.data() + discPixels * size_t(c);
  if (tables.discReady[size_t(c)]) return disc;
  const uint32_t* headKernel = tables.lookup.data() + lavaHeadKernelStart(g);
  uint32_t color = tables.lookup[lavaRampStart(g) + uint32_t(c)];
  for (int32_t dy = -radius; dy <= radius; ++dy) {
    for (int32_t dx = -radius; dx <= radius; ++dx) {
      int32_t d = dx * dx + dy * dy;
      uint32_t strength = d <= radius * radius ? uint32_t(hot - c) * headKernel[d] / uint32_t(hot) : 0;
      disc[size_t(dy + radius) * size_t(side) + size_t(dx + radius)] = weighted(color, strength);
    }
  }
  tables.discReady[size_t(c)] = 1;
  return disc;
}

struct Canvas {
  uint32_t* pixels;
  int32_t width, height;
  uint32_t* row(int32_t y) const { return pixels + int64_t(y) * width; }
};

// --- Drawing ----------------------------------------------------------------------------------

// A vertical run adds one cross-section row per reached pixel.
void drawVertical(const LavaTables& tables, const Canvas& canvas, const FlowRun& run, int32_t w,
                  int32_t reached) {
  int32_t across = tables.gap + 1, rest = lavaRestAge(tables.gap);
  int64_t left = std::max<int64_t>(0, int64_t(run.x) - across);
  int64_t right = std::min<int64_t>(canvas.width - 1, int64_t(run.x) + across);
  if (left > right) return;
  int32_t step = run.stepY < 0 ? -1 : 1;
  for (int32_t k = 0; k < reached; ++k) {
    int64_t y = int64_t(run.y) + int64_t(k) * step;
    if (y < 0 || y >= canvas.height) continue;
    int32_t age = std::min(w - k, rest);
    const uint32_t* section = tables.byAge.data() + size_t(age) * size_t(tables.width);
    addRow(canvas.row(int32_t(y)) + left, section + (left - (int64_t(run.x) - across)), int32_t(right - left + 1));
  }
}

// A horizontal run is added row by row across the line: along each row the ages
// form a contiguous stretch of one of the offset-major tables, then the rest colour.
void drawHorizontal(const LavaTables& tables, const Canvas& canvas, const FlowRun& run, int32_t w,
                    int32_t reached) {
  int32_t across = tables.gap + 1, rest = lavaRestAge(tables.gap);
  size_t ages = size_t(rest + 1);
  int64_t x = run.x;
  // k <= settled: the pixel has cooled to the rest colour
  int64_t settled = int64_t(w) - rest;
  for (int32_t o = -across; o <= across; ++o) {
    int64_t y = int64_t(run.y) + o;
    if (y < 0 || y >= canvas.height) continue;
    uint32_t* row = canvas.row(int32_t(y));
    size_t column = size_t(o + across);
    uint32_t restColor = tables.byAge[size_t(rest) * size_t(tables.width) + column];
    if (run.stepX >= 0) {
      int64_t k0 = std::max<int64_t>(0, -x), k1 = std::min<int64_t>(reached - 1, canvas.width - 1 - x);
      if (k0 > k1) continue;
      int64_t coolEnd = std::min(k1, settled);
      if (k0 <= coolEnd) addConstant(row + x + k0, restColor, int32_t(coolEnd - k0 + 1));
      int64_t hot = std::max(k0, settled + 1);
      if (hot <= k1) {
        const uint32_t* falling = tables.byOffsetFalling.data() + column * ages + size_t(hot - settled);
        addRow(row + x + hot, falling, int32_t(k1 - hot + 1));
      }
    } else {
      int64_t p0 = std::max<int64_t>(0, x - (reached - 1)), p1 = std::min<int64_t>(canvas.width - 1, x);
      if (p0 > p1) continue;
      int64_t coolStart = std::max(p0, x - settled);
      int64_t hotEnd = std::min(p1, coolStart - 1);
      if (p0 <= hotEnd) {
        const uint32_t* rising = tables.byOffsetRising.data() + column * ages + size_t(int64_t(w) - x + p0);
        addRow(row + p0, rising, int32_t(hotEnd - p0 + 1));
      }
      if (coolStart <= p1) addConstant(row + coolStart, restColor, int32_t(p1 - coolStart + 1));
    }
  }
}

void drawHead(LavaTables& tables, const Canvas& canvas, const FlowRun& run, int32_t w, int32_t reached) {
  int32_t c = w - (reached - 1);
  if (c >= lavaHeadAge(tables.gap)) return;
  const uint32_t* disc = headDisc(tables, c);
  int32_t radius = 4 * tables.gap, side = 2 * radius + 1;
  int64_t hx, hy;
  if (run.stepX != 0) {
    hx = int64_t(run.x) + int64_t(reached - 1) * (run.stepX < 0 ? -1 : 1);
    hy = run.y;
  } else {
    hx = run.x;
    hy = int64_t(run.y) + int64_t(reached - 1) * (run.stepY < 0 ? -1 : 1);
  }
  for (int32_t dy = -radius; dy <= radius; ++dy) {
    int64_t y = hy + dy;
    if (y < 0 || y >= canvas.height) continue;
    int32_t half = tables.discHalfWidth[size_t(dy + radius)];
    int64_t left = std::max<int64_t>(0, hx - half), right = std::min<int64_t>(canvas.width - 1, hx + half);
    if (left > right) continue;
    const uint32_t* source = disc + size_t(dy + radius) * size_t(side) + size_t(left - hx + radius);
    addRow(canvas.row(int32_t(y)) + left, source, int32_t(right - left + 1));
  }
}
}  // namespace

void drawLavaFlow(LavaTables& tables, const TreemapLayout& layout, uint32_t* pixels,
                  uint64_t pixelCount, int32_t width, int32_t height, int32_t t) {
  if (t < 0 || width <= 0 || height <= 0) return;
  if (uint64_t(width) * uint64_t(height) > pixelCount) return;
  if (!prepareLavaTables(tables, layout.gap)) return;
  Canvas canvas{pixels, width, height};
  for (const FlowRun& run : layout.flowRuns) {
    int64_t w64 = int64_t(t) - run.startAge;
    if (w64 < 0 || run.length <= 0) continue;
    int32_t w = int32_t(std::min<int64_t>(w64, INT32_MAX - 1));
    int32_t reached = int32_t(std::min<int64_t>(run.length, w64 + 1));
    if (run.stepX != 0) drawHorizontal(tables, canvas, run, w, reached);
    else drawVertical(tables, canvas, run, w, reached);
    drawHead(tables, canvas, run, w, reached);
  }
}

void drawLavaFlow(const TreemapLayout& layout, uint32_t* pixels, uint64_t pixelCount, int32_t width,
                  int32_t height, int32_t t) {
  thread_local LavaTables tables;
  drawLavaFlow(tables, layout, pixels, pixelCount, width, height, t);
}

int32_t lavaTotal(const TreemapLayout& layout) {
  return layout.maxFlow > 0 ? layout.maxFlow + lavaRestAge(layout.gap) : 0;
}
