// Where a change of the hovered map cell changes pixels: the rings that the hover
// outlines cover, as a few thin rectangles, so that a hover repaints the lines it
// takes away and the lines it draws and leaves the rest of the map alone.
//
// Threading: pure functions.
#pragma once
#include "render/pixel_rect.h"
#include "ui/paint_rules.h"
#include <cstdint>

// Four strips per ring (cell line, box lines): at most eight rectangles.
constexpr int32_t kHoverStripsMax = 8;

struct HoverStrips {
  PixelRect rects[kHoverStripsMax];
  int32_t count = 0;
};

// The strips holding every pixel the outlines `h` paint (map pixels, as h), with
// `glowLine` the glowing scheme's line just outside the box. Each ring is taken one
// pixel wider on both sides, so that antialiased edges are inside too.
HoverStrips hoverStrips(const HoverOutlines& h, bool glowLine);

// The strips moved by (dx, dy) from map pixels to the window's, and cut to `map`
// (the window's map area, which clips the outlines); strips left empty are dropped.
HoverStrips placeStrips(const HoverStrips& strips, int32_t dx, int32_t dy, const PixelRect& map);
