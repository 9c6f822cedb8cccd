// Pixel rectangles and the DIP-to-pixel rule every window region is built with.
//
// Threading: pure values and functions.
#pragma once
#include <cstdint>

// Half-open: left <= x < right, top <= y < bottom. An empty rectangle contains nothing.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int32_t x, int32_t y) const { return !empty() && x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

inline Rect intersect(const Rect& a, const Rect& b) {
  Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.empty() ? Rect{} : r;
}

// n DIPs in pixels at `dpi`: n·dpi/96 rounded half away from zero, as MulDiv does,
// so 3 DIPs at 144 DPI are 5 pixels.
constexpr int32_t pixelsFromDips(int64_t n, int32_t dpi) {
  int64_t product = n * dpi;
  return static_cast<int32_t>((product + (product >= 0 ? 48 : -48)) / 96);
}
// Pixels back to DIPs (the same rounding), for window sizes the system reports in pixels.
constexpr int32_t dipsFromPixels(int64_t pixels, int32_t dpi) {
  if (dpi <= 0) return static_cast<int32_t>(pixels);
  int64_t product = pixels * 96;
  return static_cast<int32_t>((product + (product >= 0 ? dpi / 2 : -dpi / 2)) / dpi);
}
