#include "ui/hover_damage.h"

namespace {

PixelRect grown(const PixelRect& r, int32_t by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

// The frame between `outer` and `inner` as up to four rectangles that do not overlap;
// a ring too thick for a hole is its outer rectangle.
void addRing(HoverStrips& out, const PixelRect& outer, const PixelRect& inner) {
  if (outer.empty()) return;
  if (inner.empty()) {
    out.rects[out.count++] = outer;
    return;
  }
  const PixelRect parts[4] = {{outer.left, outer.top, outer.right, inner.top},
                              {outer.left, inner.bottom, outer.right, outer.bottom},
                              {outer.left, inner.top, inner.left, inner.bottom},
                              {inner.right, inner.top, outer.right, inner.bottom}};
  for (const PixelRect& p : parts)
    if (!p.empty()) out.rects[out.count++] = p;
}

}  // namespace

HoverStrips hoverStrips(const HoverOutlines& h, bool glowLine) {
  HoverStrips out;
  if (h.cell.empty()) return out;
  // The cell's line lies on its edge pixels; the box's lines cover 2 pixels inside
  // its edge, 4 with the inner line, and 2 outside with the glow's line.
  if (h.cellOutline) addRing(out, grown(h.cell, 1), insetRect(h.cell, 2));
  if (!h.box.empty())
    addRing(out, grown(h.box, (glowLine ? 2 : 0) + 1), insetRect(h.box, (h.innerLine ? 4 : 2) + 1));
  return out;
}

HoverStrips placeStrips(const HoverStrips& strips, int32_t dx, int32_t dy, const PixelRect& map) {
  HoverStrips out;
  for (int32_t i = 0; i < strips.count; i++) {
    const PixelRect& r = strips.rects[i];
    PixelRect placed = intersect({r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}, map);
    if (!placed.empty()) out.rects[out.count++] = placed;
  }
  return out;
}
