// Device-independent pixels (96 per inch) to pixels. Lengths of the interface are
// given in DIPs; the target bitmaps run at 96 DPI, so every scaling for the
// monitor is done here and Direct2D only ever sees whole pixels.
//
// Threading: the program DPI is written and read on the window thread only.
#pragma once
#include <cstdint>

constexpr uint32_t kBaseDpi = 96;

// MulDiv(dips, dpi, 96): the exact product, rounded half away from zero.
int32_t scaleDip(int32_t dips, uint32_t dpi);
// Pixels back to DIPs with the same rounding, for sizes the system reports in pixels.
int32_t dipsFromPixels(int64_t pixels, uint32_t dpi);
// The floating-point form, dips · dpi / 96, for radii and stroke offsets.
float scaleDipF(float dips, uint32_t dpi);

// The program's DPI: the main window's, 96 until the window reports its own.
uint32_t programDpi();
void setProgramDpi(uint32_t dpi);   // 0 is ignored
inline int32_t scaleDip(int32_t dips) { return scaleDip(dips, programDpi()); }
inline float scaleDipF(float dips) { return scaleDipF(dips, programDpi()); }
