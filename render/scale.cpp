#include "render/scale.h"

namespace {
uint32_t gProgramDpi = kBaseDpi;
}

int32_t scaleDip(int32_t dips, uint32_t dpi) {
  int64_t product = static_cast<int64_t>(dips) * dpi;
  int64_t half = kBaseDpi / 2;
  int64_t rounded = product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi);
  if (rounded > INT32_MAX) return INT32_MAX;
  if (rounded < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

int32_t dipsFromPixels(int64_t pixels, uint32_t dpi) {
  if (dpi == 0) return static_cast<int32_t>(pixels);
  int64_t product = pixels * kBaseDpi, half = dpi / 2;
  return static_cast<int32_t>(product >= 0 ? (product + half) / dpi : -((-product + half) / dpi));
}

float scaleDipF(float dips, uint32_t dpi) { return dips * static_cast<float>(dpi) / static_cast<float>(kBaseDpi); }

uint32_t programDpi() { return gProgramDpi; }
void setProgramDpi(uint32_t dpi) {
  if (dpi != 0) gProgramDpi = dpi;
}
