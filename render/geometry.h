// The geometry of the drawing primitives, in pixels, kept apart from Direct2D so
// that it is tested natively: rectangles are whole pixels; outlines are inset by
// half their width so that they stay inside their rectangle (a 1-pixel line then
// lies on pixel centres and stays crisp); control parts are laid out from
// measured widths.
//
// Threading: pure functions.
#pragma once
#include "render/pixel_rect.h"
#include <cstdint>
#include <span>

// A rounded rectangle as Direct2D takes it.
struct RoundedShape {
  float left, top, right, bottom;
  float radius;
  bool operator==(const RoundedShape&) const = default;
};
RoundedShape roundedFill(PixelRect r, float radiusPx);
// An outline of the given width along the inside edge: inset by width/2, the
// radius reduced by width/2 but not below 0.
RoundedShape roundedOutline(PixelRect r, float radiusPx, float widthPx);

// Stroke widths are whole pixels at every DPI: a width of n DIPs is scaleDip(n),
// at least 1.
int32_t strokePixels(int32_t dips, uint32_t dpi);

// The focus ring: a 2-DIP outline around the element, then 2 DIPs further in a
// 1-DIP outline with the radius reduced by 2 DIPs.
struct FocusRing {
  RoundedShape outer;
  float outerWidth;
  RoundedShape inner;
  float innerWidth;
};
FocusRing focusRing(PixelRect r, float radiusDip, uint32_t dpi);

// Toolbar button: icon, gap and label centred together. A label that does not
// fit keeps the icon and is trimmed by drawText.
struct ToolbarButtonParts {
  PixelRect icon;
  PixelRect label;
};
ToolbarButtonParts toolbarButtonParts(PixelRect button, int32_t labelWidthPx, uint32_t dpi);
// The largest of the minimum (DIPs) and 16 + icon 16 + 8 + label + 16 DIPs over
// every label the button can show (widths measured in pixels).
int32_t toolbarButtonWidth(int32_t minimumDip, std::span<const int32_t> labelWidthsPx, uint32_t dpi);

// Segmented choice: `count` equal options side by side (the last takes the
// remainder) and the knob, which lies between option floor(position) and the
// next by the fraction of `position` (clamped to 0 … count − 1), inset by 2 DIPs.
PixelRect segmentedOption(PixelRect r, int32_t count, int32_t index);
PixelRect segmentedKnob(PixelRect r, int32_t count, double position, uint32_t dpi);

// Check box: a square of 20 DIPs at the left of the row, vertically centred; its
// tick is a polyline of three points in whole pixels.
PixelRect checkBoxSquare(PixelRect row, uint32_t dpi);
struct CheckMark {
  float x[3], y[3];
};
CheckMark checkMark(PixelRect square);
