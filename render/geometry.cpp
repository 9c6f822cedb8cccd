#include "render/geometry.h"
#include "render/scale.h"
#include <algorithm>
#include <cmath>

RoundedShape roundedFill(PixelRect r, float radiusPx) {
  return {static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
          static_cast<float>(r.bottom), std::max(radiusPx, 0.0f)};
}

RoundedShape roundedOutline(PixelRect r, float radiusPx, float widthPx) {
  float half = widthPx / 2;
  return {r.left + half, r.top + half, r.right - half, r.bottom - half, std::max(radiusPx - half, 0.0f)};
}

int32_t strokePixels(int32_t dips, uint32_t dpi) { return std::max(scaleDip(dips, dpi), 1); }

FocusRing focusRing(PixelRect r, float radiusDip, uint32_t dpi) {
  FocusRing ring;
  float radius = scaleDipF(radiusDip, dpi);
  ring.outerWidth = static_cast<float>(strokePixels(2, dpi));
  ring.outer = roundedOutline(r, radius, ring.outerWidth);
  int32_t in = scaleDip(2, dpi);
  ring.innerWidth = static_cast<float>(strokePixels(1, dpi));
  ring.inner = roundedOutline(insetRect(r, in), std::max(radius - static_cast<float>(in), 0.0f), ring.innerWidth);
  return ring;
}

ToolbarButtonParts toolbarButtonParts(PixelRect button, int32_t labelWidthPx, uint32_t dpi) {
  int32_t icon = scaleDip(16, dpi);
  int32_t gap = scaleDip(8, dpi);
  int32_t side = scaleDip(16, dpi);
  int32_t room = std::max(button.width() - 2 * side - icon - gap, 0);
  int32_t label = std::min(std::max(labelWidthPx, 0), room);
  int32_t left = button.left + (button.width() - (icon + gap + label)) / 2;
  ToolbarButtonParts parts;
  int32_t iconTop = button.top + (button.height() - icon) / 2;
  parts.icon = {left, iconTop, left + icon, iconTop + icon};
  parts.label = {left + icon + gap, button.top, left + icon + gap + label, button.bottom};
  return parts;
}

int32_t toolbarButtonWidth(int32_t minimumDip, std::span<const int32_t> labelWidthsPx, uint32_t dpi) {
  int32_t widest = 0;
  for (int32_t w : labelWidthsPx) widest = std::max(widest, w);
  return std::max(scaleDip(minimumDip, dpi), scaleDip(16 + 16 + 8 + 16, dpi) + widest);
}

PixelRect segmentedOption(PixelRect r, int32_t count, int32_t index) {
  if (count < 1) return r;
  index = std::clamp(index, 0, count - 1);
  int32_t each = r.width() / count;
  PixelRect option = r;
  option.left = r.left + each * index;
  option.right = index == count - 1 ? r.right : option.left + each;
  return option;
}

PixelRect segmentedKnob(PixelRect r, int32_t count, double position, uint32_t dpi) {
  if (count < 1) return r;
  position = std::clamp(position, 0.0, static_cast<double>(count - 1));
  int32_t first = static_cast<int32_t>(std::floor(position));
  int32_t second = std::min(first + 1, count - 1);
  double t = position - first;
  PixelRect a = segmentedOption(r, count, first), b = segmentedOption(r, count, second);
  auto between = [t](int32_t x, int32_t y) { return static_cast<int32_t>(std::lround(x + (y - x) * t)); };
  PixelRect knob{between(a.left, b.left), r.top, between(a.right, b.right), r.bottom};
  return insetRect(knob, scaleDip(2, dpi));
}

PixelRect checkBoxSquare(PixelRect row, uint32_t dpi) {
  int32_t side = std::min(scaleDip(20, dpi), row.height());
  int32_t top = row.top + (row.height() - side) / 2;
  return {row.left, top, row.left + side, top + side};
}

CheckMark checkMark(PixelRect s) {
  // Proportions of a 20-unit box: (5, 10) down to (8.5, 13.5) up to (15, 6.5).
  auto x = [&](double u) { return static_cast<float>(std::lround(s.left + s.width() * u / 20)); };
  auto y = [&](double u) { return static_cast<float>(std::lround(s.top + s.height() * u / 20)); };
  return {{x(5), x(8.5), x(15)}, {y(10), y(13.5), y(6.5)}};
}
