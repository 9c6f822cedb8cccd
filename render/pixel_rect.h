// A rectangle in whole pixels: what the layout computes and what Direct2D is handed.
//
// Threading: a plain value.
#pragma once
#include <cstdint>

struct PixelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  // Half-open: left <= x < right, top <= y < bottom; an empty rectangle holds nothing.
  bool contains(int32_t x, int32_t y) const { return !empty() && x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const PixelRect&) const = default;
};

// The common part, or an empty rectangle when there is none.
inline PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  PixelRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
              a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.empty() ? PixelRect{} : r;
}

// Inset on every side; a rectangle too small for it collapses to its middle, never inverts.
inline PixelRect insetRect(PixelRect r, int32_t by) {
  PixelRect out{r.left + by, r.top + by, r.right - by, r.bottom - by};
  if (out.right < out.left) out.left = out.right = r.left + r.width() / 2;
  if (out.bottom < out.top) out.top = out.bottom = r.top + r.height() / 2;
  return out;
}
