// Cushion raster: background, one lit cushion per rectangle, hatch patterns for
// colour-blind users, and the halo of glowing schemes.
//
// Sections: patterns · shading · halo · raster
#include "treemap/treemap.h"
#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// The light: the unit vector (1, 1, 10) / sqrt(102), from the upper left.
constexpr double kLightXY = 0.099014754297667;
constexpr double kLightZ = 0.990147542976674;
constexpr double kPatternDim = 0.82;
constexpr double kHaloStrength = 0.42;
constexpr int32_t kMaxHaloReach = 32;
}  // namespace

// --- Patterns -------------------------------------------------------------------------

bool patternMarks(int32_t n, int32_t p, int32_t x, int32_t y) {
  if (n <= 0 || n > 10 || p <= 0) return false;
  int32_t w = std::max(1, p / 4);
  switch (n) {
    case 1: return (x + y) % p < w;
    case 2: return (int64_t(x) - y + 4096ll * p) % p < w;
    case 3: return (x + y) % p < w || (int64_t(x) - y + 4096ll * p) % p < w;
    case 4: return y % p < w;
    case 5: return x % p < w;
    case 6: return x % p < w || y % p < w;
    case 7: return x % p < 2 * w && y % p < 2 * w;
    case 8: return (x / p + y / p) % 2 != 0;
    case 9: {
      int32_t s = (y / p) % 2 != 0 ? p / 2 : 0;
      return y % p < w && (x + s) % p < p / 2;
    }
    default: {   // 10: zigzag
      int32_t m = x % (2 * p);
      int32_t t = m < p ? m : 2 * p - m;
      return (y + t) % p < w;
    }
  }
}

// --- Shading -----------------------------------------------------------------------------

namespace {
inline uint32_t scaledChannel(double v, uint32_t channel) {
  double c = v * double(channel);
  return c < 255.0 ? uint32_t(c) : 255u;   // also catches not-a-number
}

inline uint32_t shadePixel(double v, uint32_t red, uint32_t green, uint32_t blue) {
  return 0xFF000000u | scaledChannel(v, red) << 16 | scaledChannel(v, green) << 8 |
         scaledChannel(v, blue);
}
}  // namespace

namespace {
struct CushionLight {
  double twoQuadX, linX, lit, ambient, intensity;
};

// One pixel's brightness factor; the SSE2 path below computes exactly the same
// operations in the same order, two pixels at a time.
inline double cushionLight(const CushionLight& l, double xCentre, double lightY, double nyy) {
  double nx = l.twoQuadX * xCentre + l.linX;
  double cosine = (kLightXY * nx + lightY + kLightZ) / std::sqrt(nx * nx + nyy + 1);
  double direct = (cosine < 1 ? cosine : 1.0) * l.lit;
  return (direct > 0 ? direct : 0.0) + l.ambient;
}
}  // namespace

void shadeCushion(uint32_t* pixels, uint64_t pixelCount, int32_t stride, int32_t x0, int32_t y0,
                  int32_t x1, int32_t y1, double quadX, double quadY, double linX, double linY,
                  uint32_t color, double brightness, int32_t pattern, int32_t patternSize,
                  double ambient, double intensity) {
  if (x0 >= x1 || y0 >= y1 || stride <= 0) return;
  // Clip to the buffer; coordinates stay the buffer's so shading and patterns do not shift.
  int32_t cx0 = std::max(x0, 0), cx1 = std::min(x1, stride), cy0 = std::max(y0, 0);
  int64_t rows = int64_t(pixelCount / uint64_t(stride));
  int32_t cy1 = int32_t(std::min<int64_t>(y1, rows));
  if (cx0 >= cx1 || cy0 >= cy1) return;
  bool patterned = pattern > 0 && pattern <= 10 && patternSize > 0;
  uint32_t red = color >> 16 & 0xFF, green = color >> 8 & 0xFF, blue = color & 0xFF;
  CushionLight light{2 * quadX, linX, 1 - ambient, ambient, intensity};
  double marked = kPatternDim * brightness;
  double twoQuadY = 2 * quadY;
#if defined(__SSE2__)
  const __m128d vTwoQuadX = _mm_set1_pd(light.twoQuadX), vLinX = _mm_set1_pd(linX);
  const __m128d vLightXY = _mm_set1_pd(kLightXY), vLightZ = _mm_set1_pd(kLightZ);
  const __m128d vOne = _mm_set1_pd(1.0), vZero = _mm_setzero_pd(), vLit = _mm_set1_pd(light.lit);
  const __m128d vAmbient = _mm_set1_pd(ambient), vIntensity = _mm_set1_pd(intensity);
  const __m128d vMax = _mm_set1_pd(255.0), vTwo = _mm_set1_pd(2.0);
  const __m128d vRed = _mm_set1_pd(double(red)), vGreen = _mm_set1_pd(double(green));
  const __m128d vBlue = _mm_set1_pd(double(blue));
  const __m128i vAlpha = _mm_set1_epi32(int32_t(0xFF000000u));
#endif
  for (int32_t y = cy0; y < cy1; ++y) {
    uint32_t* row = pixels + int64_t(y) * stride;
    double ny = twoQuadY * (y + 0.5) + linY;
    double lightY = kLightXY * ny;
    double nyy = ny * ny;
    int32_t x = cx0;
#if defined(__SSE2__)
    const __m128d vLightYRow = _mm_set1_pd(lightY), vNyy = _mm_set1_pd(nyy);
    __m128d vx = _mm_set_pd(x + 1.5, x + 0.5);
    __m128d vBrightness = _mm_set1_pd(brightness);
    for (; x + 1 < cx1; x += 2, vx = _mm_add_pd(vx, vTwo)) {
      __m128d nx = _mm_add_pd(_mm_mul_pd(vTwoQuadX, vx), vLinX);
      __m128d numerator = _mm_add_pd(_mm_add_pd(_mm_mul_pd(vLightXY, nx), vLightYRow), vLightZ);
      __m128d length = _mm_sqrt_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, nx), vNyy), vOne));
      __m128d cosine = _mm_div_pd(numerator, length);
      __m128d direct = _mm_mul_pd(_mm_min_pd(cosine, vOne), vLit);   // min: cosine < 1 ? cosine : 1
      __m128d v = _mm_add_pd(_mm_max_pd(direct, vZero), vAmbient);
      __m128d b = vBrightness;
      if (patterned) {
        b = _mm_set_pd(patternMarks(pattern, patternSize, x + 1, y) ? marked : brightness,
                       patternMarks(pattern, patternSize, x, y) ? marked : brightness);
      }
      v = _mm_mul_pd(_mm_mul_pd(v, vIntensity), b);
      // min(c, 255) also turns not-a-number into 255, like the scalar comparison
      __m128i r = _mm_cvttpd_epi32(_mm_min_pd(_mm_mul_pd(v, vRed), vMax));
      __m128i g = _mm_cvttpd_epi32(_mm_min_pd(_mm_mul_pd(v, vGreen), vMax));
      __m128i bl = _mm_cvttpd_epi32(_mm_min_pd(_mm_mul_pd(v, vBlue), vMax));
      __m128i out = _mm_or_si128(_mm_or_si128(vAlpha, _mm_slli_epi32(r, 16)),
                                 _mm_or_si128(_mm_slli_epi32(g, 8), bl));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), out);
    }
#endif
    for (; x < cx1; ++x) {
      double v = cushionLight(light, x + 0.5, lightY, nyy);
      double b = patterned && patternMarks(pattern, patternSize, x, y) ? marked : brightness;
      v = v * intensity * b;
      row[x] = shadePixel(v, red, green, blue);
    }
  }
}

// --- Halo ------------------------------------------------------------------------------------

namespace {
inline uint32_t addHalo(uint32_t pixel, uint32_t color, uint32_t weight) {
  uint32_t result = 0xFF000000u;
  for (int shift = 16; shift >= 0; shift -= 8) {
    uint32_t sum = (pixel >> shift & 0xFF) + (((color >> shift & 0xFF) * weight) >> 8);
    result |= std::min(sum, 255u) << shift;
  }
  return result;
}

void drawHalo(const TreemapLayout& layout, uint32_t* pixels, int32_t width, int32_t height) {
  int32_t g = layout.gap;
  int32_t r = 2 * g;
  if (g <= 0 || r > kMaxHaloReach) return;
  uint16_t weight[kMaxHaloReach * kMaxHaloReach + 1];
  for (int32_t i = 0; i <= r * r; ++i) {
    double fade = 1 - std::sqrt(double(i)) / (r + 1);
    double value = std::min(65535.0, std::max(0.0, fade * fade * kHaloStrength * 256));
    weight[i] = uint16_t(value);
  }
  const TreemapRect* rects = layout.rects();
  for (uint64_t k = 0; k < layout.rectCount; ++k) {
    const TreemapRect& rect = rects[k];
    if (rect.x1 > width || rect.y1 > height) continue;
    if (rect.x1 - rect.x0 < 3 * g || rect.y1 - rect.y0 < 3 * g) continue;
    int32_t top = std::max(0, rect.y0 - r), bottom = std::min(rect.y1 + r, height);
    int32_t left = std::max(0, rect.x0 - r), right = std::min(rect.x1 + r, width);
    for (int32_t y = top; y < bottom; ++y) {
      int32_t dy = y < rect.y0 ? rect.y0 - y : y >= rect.y1 ? y - rect.y1 + 1 : 0;
      uint32_t* row = pixels + int64_t(y) * width;
      bool inside = dy == 0;
      for (int32_t x = left; x < right; ++x) {
        // rows through the rectangle only touch the strips beside it
        if (inside && x == rect.x0) x = rect.x1;
        if (x >= right) break;
        int32_t dx = x < rect.x0 ? rect.x0 - x : x >= rect.x1 ? x - rect.x1 + 1 : 0;
        int32_t d = dx * dx + dy * dy;
        if (d <= r * r) row[x] = addHalo(row[x], rect.color, weight[d]);
      }
    }
  }
}
}  // namespace

// --- Raster ------------------------------------------------------------------------------------

void rasterTreemap(const TreemapLayout& layout, uint32_t* pixels, uint64_t pixelCount,
                   int32_t width, int32_t height, uint32_t background, int32_t patternSize,
                   const MapScheme& scheme) {
  if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > pixelCount) return;
  std::fill(pixels, pixels + uint64_t(width) * uint64_t(height), background);
  const TreemapRect* rects = layout.rects();
  for (uint64_t k = 0; k < layout.rectCount; ++k) {
    const TreemapRect& rect = rects[k];
    if (rect.x1 > width || rect.y1 > height) continue;
    int32_t pattern = 0;
    if (patternSize > 0 && rect.x1 - rect.x0 >= 3 * patternSize &&
        rect.y1 - rect.y0 >= 3 * patternSize)
      pattern = patternNumberOf(scheme, rect.color);
    shadeCushion(pixels, pixelCount, width, rect.x0, rect.y0, rect.x1, rect.y1, rect.quadX,
                 rect.quadY, rect.linX, rect.linY, rect.color, 1.0, pattern, patternSize,
                 scheme.ambient, scheme.intensity);
  }
  if (scheme.glow) drawHalo(layout, pixels, width, height);
}
