// The order of the picture, the map update's entry points and the focus ring.
#include "ui/win32/main_paint.h"

#include "platform/platform.h"
#include "render/win32/text.h"
#include "treemap/schemes.h"
#include "ui/element_list.h"
#include "ui/navigation.h"
#include "ui/win32/paint_parts.h"
#include <algorithm>

namespace {

std::u16string noErrorText(uint32_t) { return {}; }

// The focused element's rectangle and corner radius; false when there is none to show.
bool focusRingPlace(const PaintFrame& f, PixelRect& r, float& radius) {
  const ViewState& s = f.s;
  if (!s.focusVisible || !s.windowHasFocus || s.focus.id == ElementId::None) return false;
  if (s.focus.id == ElementId::Map) {
    int32_t cell = focusedCell(s);
    if (cell < 0) return false;
    const TreemapRect& t = s.treemap->rects()[cell];
    const PixelRect& map = f.l.content.map;
    r = intersect({map.left + t.x0, map.top + t.y0, map.left + t.x1, map.top + t.y1}, map);
    radius = 0;
    return !r.empty();
  }
  // Controls with a window of their own show their focus themselves.
  switch (s.focus.id) {
    case ElementId::SearchEdit: case ElementId::TypesEdit: case ElementId::SizeEdit: case ElementId::AddressEdit:
    case ElementId::List:
      return false;
    default: break;
  }
  std::vector<AccessibleElement> list = buildElementList(s, f.l, noErrorText);
  int32_t at = findElement(list, focusedElementCode(s));
  if (at < 0) return false;
  r = list[at].rect;
  if (s.focus.id == ElementId::Drive) r = intersect(r, f.l.sidebar.driveList);
  radius = s.focus.id == ElementId::Drive || s.focus.id == ElementId::StandardScan || s.focus.id == ElementId::FastScan
               ? 6.0f
               : 4.0f;
  return !r.empty();
}

}  // namespace

void attachMainPaint(MainPaint& paint, DeviceBoundResources& resources, HINSTANCE instance) {
  paint.instance = instance;
  addReleaseHook(resources, releaseMapBitmapHook, &paint.bitmap);
  addReleaseHook(resources, releaseMapSnapshotHook, &paint.transitions);
  addReleaseHook(resources, releaseProgramIconHook, &paint.icon);
  addReleaseHook(resources, releaseChromeHook, &paint.chrome);
  addReleaseHook(resources, releaseTextFormatsHook, &programTextStyles());
}

void releaseMainPaint(MainPaint& paint) {
  releaseMapBitmap(paint.bitmap);
  releaseMapTransitions(paint.transitions);
  releaseProgramIcon(paint.icon);
  releaseChrome(paint.chrome);
  releaseMapPicture(paint.map);
}

bool updateMainMap(MainPaint& paint, ViewState& s, const WindowLayout& layout) {
  // The cells that shrink or grow belong to the picture being replaced.
  if (paint.transitions.marks.running) endMarksTransition(paint.transitions.marks);
  double start = nowMs();
  bool laidOut = updateMap(paint.map, s, layout.content.map, currentTheme().colors.surface);
  paint.lastMapUpdateMs = laidOut ? nowMs() - start : -1;
  paint.hoverBox = {};
  // After a layout the glow's clock starts or continues from the new runs; its 15 ms
  // step (the window's timer, while lavaFlowing) brings the bitmap up to date.
  if (laidOut) {
    paint.lavaFlowing = mapGlowAfterLayout(paint.bitmap, paint.map, s.scan.generation, s.shown.viewRoot,
                                           s.facts.animationsOn, nowMs());
    paint.map.cellsNew = false;
  }
  return laidOut;
}

void resetMainMap(MainPaint& paint, ViewState& s) {
  resetMap(paint.map, s);
  endMarksTransition(paint.transitions.marks);
  paint.transitions.zoom.running = false;
  s.zoomRunning = false;
  paint.hoverBox = {};
  paint.lavaFlowing = false;
}

namespace {

PixelRect pixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool overlaps(const PixelRect& a, const PixelRect& b) { return !intersect(a, b).empty(); }

// The map's pixels change in this frame (a layout, a new raster, a step of the glow):
// the whole map area is part of what it presents.
void addMapToDamage(FrameDamage& damage, const PixelRect& map) {
  if (damage.count >= FrameDamage::kMaxRects) {
    damage.whole = true;
    return;
  }
  damage.rects[damage.count++] = {map.left, map.top, map.right, map.bottom};
  damage.bounds = {std::min<LONG>(damage.bounds.left, map.left), std::min<LONG>(damage.bounds.top, map.top),
                   std::max<LONG>(damage.bounds.right, map.right), std::max<LONG>(damage.bounds.bottom, map.bottom)};
}

// Only the damaged rectangles, each drawn as the whole frame would draw it there:
// the kept picture, the map with its outlines, the status bar, the focus ring.
void paintDamage(PaintFrame& f, const FrameDamage& damage) {
  const PixelRect map = f.l.content.map, status = statusRegion(f.l, f.height);
  const bool mapShown = mapInContent(f.s);
  for (int32_t i = 0; i < damage.count; i++) {
    const PixelRect r = intersect(pixelRect(damage.rects[i]), {0, 0, f.width, f.height});
    if (r.empty()) continue;
    f.c.dc->PushAxisAlignedClip(D2D1::RectF(static_cast<float>(r.left), static_cast<float>(r.top),
                                            static_cast<float>(r.right), static_cast<float>(r.bottom)),
                                D2D1_ANTIALIAS_MODE_ALIASED);
    drawChromePart(f.paint.chrome, f.c.dc, r);
    if (mapShown && overlaps(r, map)) paintMapArea(f.paint, f.s, f.l, f.c);
    if (overlaps(r, status)) paintStatus(f);
    paintFocusRing(f);
    f.c.dc->PopAxisAlignedClip();
  }
}

}  // namespace

PaintMotion paintMainWindow(MainPaint& paint, ViewState& s, const WindowLayout& layout, ID2D1DeviceContext* dc,
                            ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height, FrameDamage* damage) {
  paint.lastMapUpdateMs = -1;
  const uint64_t mapBitmapsBefore = paint.bitmap.creations + paint.bitmap.refreshes;
  const bool mapUpdated = mapUpdateDue(s) && updateMainMap(paint, s, layout);
  const Theme& theme = currentTheme();
  PaintFrame f{Canvas{dc, brush, &programTextStyles(), static_cast<uint32_t>(s.dpi)},
               paint,
               s,
               layout,
               theme,
               theme.colors,
               static_cast<int32_t>(width),
               static_cast<int32_t>(height),
               knobPositions(paint.animations, s),
               splitterHighlight(paint.animations, s),
               panelSlideOffset(paint.animations, s, layout.panel.panel.height())};
  dc->SetTransform(D2D1::IdentityMatrix());
  const PixelRect all{0, 0, f.width, f.height};
  const PixelRect dirty = damage && !damage->whole ? pixelRect(damage->bounds) : all;
  if (damage && !damage->whole && chromeReusable(paint.chrome, layout, f.width, f.height, dirty)) {
    if (mapInContent(s) && mapFillsContent(s) && !layout.content.map.empty()) {
      // Bring the map bitmap up first: if its pixels change, all of the map is drawn.
      syncMapBitmap(paint.bitmap, paint.map, dc);
      if (mapUpdated || paint.bitmap.creations + paint.bitmap.refreshes != mapBitmapsBefore)
        addMapToDamage(*damage, layout.content.map);
    }
    if (!damage->whole) {
      paintDamage(f, *damage);
      paint.chrome.reuses++;
      paint.frames++;
      return paintMotion(paint.animations, s);
    }
  }
  if (damage) damage->whole = true;
  if (chromeReusable(paint.chrome, layout, f.width, f.height, dirty)) {
    drawChrome(paint.chrome, dc);
    paint.chrome.reuses++;
  } else {
    const bool kept = beginChrome(paint.chrome, dc, f.width, f.height);
    fillRect(f.c, all, f.colors.background);
    paintSidebar(f);
    paintToolbar(f);
    paintBars(f);
    paintContent(f);
    if (kept) {
      endChrome(paint.chrome, dc, layout);
      drawChrome(paint.chrome, dc);
    }
  }
  if (mapInContent(s)) paintMapArea(paint, s, layout, f.c);
  paintStatus(f);
  paintFocusRing(f);
  paint.frames++;
  return paintMotion(paint.animations, s);
}

HoverDamage hoverDamage(MainPaint& paint, const ViewState& s, const WindowLayout& layout) {
  HoverDamage out;
  auto add = [&out](const HoverStrips& strips) {
    for (int32_t i = 0; i < strips.count; i++) out.rects[out.count++] = strips.rects[i];
  };
  add(paint.hoverDrawn);
  const PixelRect& map = layout.content.map;
  if (s.treemap && s.treemapWidth == map.width() && s.treemapHeight == map.height())
    add(placeStrips(hoverStrips(hoverOutlines(paint.hoverBox, s), hoverColors(mapSchemeAt(s.mapScheme).glow).glowLine),
                    map.left, map.top, map));
  out.rects[out.count++] = statusRegion(layout, s.clientHeight);
  return out;
}

void paintMainMap(MainPaint& paint, const ViewState& s, const WindowLayout& layout, Canvas& canvas) {
  paintMapArea(paint, s, layout, canvas);
}

void paintFocusRing(PaintFrame& f) {
  PixelRect r;
  float radius = 0;
  if (focusRingPlace(f, r, radius)) drawFocusRing(f.c, r, radius, f.colors);
}

PixelRect insideBox(const PixelRect& box, int32_t left, int32_t top, int32_t fromRight, int32_t bottom, uint32_t dpi) {
  PixelRect r{box.left + scaleDip(left, dpi), box.top + scaleDip(top, dpi), box.right - scaleDip(fromRight, dpi),
              box.top + scaleDip(bottom, dpi)};
  if (r.right < r.left) r.right = r.left;
  return r;
}

void coverForReview(PaintFrame& f, const PixelRect& r) { fillRect(f.c, r, f.colors.background, 0.55f); }

void outlinePixels(Canvas& c, const PixelRect& r, int32_t widthPx, uint32_t color, float opacity) {
  if (r.empty() || widthPx <= 0) return;
  float half = widthPx / 2.0f;
  c.brush->SetColor(d2dColor(color, opacity));
  c.dc->DrawRectangle(D2D1::RectF(r.left + half, r.top + half, r.right - half, r.bottom - half), c.brush,
                      static_cast<float>(widthPx));
}
