// The content panel: the map with its hover outlines, the scan's progress with the
// fast-scan tip, the empty states, and in the review its card.
#include "config/language.h"
#include "render/win32/text.h"
#include "treemap/schemes.h"
#include "ui/content_text.h"
#include "ui/hover_damage.h"
#include "ui/review_text.h"
#include "ui/view_rules.h"
#include "ui/win32/paint_parts.h"

namespace {

D2D1_RECT_F rectF(const PixelRect& r) {
  return D2D1::RectF(static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
                     static_cast<float>(r.bottom));
}

PixelRect offset(const PixelRect& r, int32_t dx, int32_t dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

PixelRect grown(const PixelRect& r, int32_t by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

void paintScanning(PaintFrame& f) {
  const ContentLayout& c = f.l.content;
  const ViewState& s = f.s;
  drawText(f.c, scanningTitle(s), c.scanTitle, TextStyle::BodyStrong, f.colors.text, kTextCenter);
  drawText(f.c, scanningLine(s), c.scanLine, TextStyle::Caption, f.colors.secondaryText, kTextCenter);
  fillRoundedRect(f.c, c.progressTrack, 2, f.colors.track);
  ProgressFill fill = progressFill(s, c.progressTrack);
  if (!fill.first.empty()) fillRoundedRect(f.c, fill.first, 2, f.colors.accent);
  if (!fill.second.empty()) fillRoundedRect(f.c, fill.second, 2, f.colors.accent);

  TipFade fade = fastScanTipFade(s);
  if (c.tipText.empty() || fade.opacity <= 0) return;
  const bool layer = fade.opacity < 1;
  if (layer) pushOpacity(f.c, fade.opacity);
  drawText(f.c, text(Text::TipFastScanReadsTheNTFS), offset(c.tipText, 0, fade.offset), TextStyle::Caption,
           f.colors.secondaryText, kTextCenter);
  char16_t glyph = fastScanStateOf(s) == kFastScanRestart ? Glyph::Administrator : Glyph::FastScan;
  drawToolbarButton(f.c, offset(c.useFastScan, 0, fade.offset), glyph, text(Text::UseFastScan), true,
                    f.hovered(ElementId::UseFastScan), f.colors);
  if (layer) popOpacity(f.c);
}

void paintEmpty(PaintFrame& f, const EmptyState& empty) {
  const ContentLayout& c = f.l.content;
  drawIcon(f.c, empty.icon, c.emptyIcon, f.colors.tertiary, TextStyle::BigIcon);
  drawText(f.c, empty.text, c.emptyText, TextStyle::Body, f.colors.secondaryText, kTextCenter);
}

// Part of the deletion review that comes with marking; until then its card shows
// the state's text and buttons.
void paintReviewCard(PaintFrame& f) {
  const ContentLayout& c = f.l.content;
  outlineRoundedRect(f.c, c.panel, 8, 2, kMarkAmber);
  drawCard(f.c, c.reviewCard, 6, f.colors.surface, f.colors.stroke);
  ReviewCardText card = reviewCardText(f.s);
  drawText(f.c, card.text, c.reviewText, TextStyle::Body, f.colors.text);
  if (!c.reviewMain.empty())
    drawPrimaryButton(f.c, c.reviewMain, card.mainButton, f.hovered(ElementId::ReviewMain), f.colors);
  if (!c.reviewSecond.empty())
    drawSecondaryButton(f.c, c.reviewSecond, card.secondButton, f.hovered(ElementId::ReviewSecond), f.colors);
  if (!c.reviewBack.empty()) drawSecondaryButton(f.c, c.reviewBack, text(Text::Back), f.hovered(ElementId::ReviewBack), f.colors);
}

void paintHover(const ViewState& s, MainPaint& paint, const PixelRect& map, Canvas& c) {
  HoverOutlines h = hoverOutlines(paint.hoverBox, s);
  HoverColors colors = hoverColors(mapSchemeAt(s.mapScheme).glow);
  // What the next hover change has to take away again.
  paint.hoverDrawn = placeStrips(hoverStrips(h, colors.glowLine), map.left, map.top, map);
  if (h.cell.empty()) return;
  if (h.cellOutline) {
    PixelRect cell = offset(h.cell, map.left, map.top);
    c.brush->SetColor(d2dColor(colors.cell, colors.cellOpacity));
    c.dc->DrawRectangle(D2D1::RectF(cell.left + 0.5f, cell.top + 0.5f, cell.right - 0.5f, cell.bottom - 0.5f), c.brush, 1.0f);
  }
  if (h.box.empty()) return;
  PixelRect box = offset(h.box, map.left, map.top);
  if (colors.glowLine) outlinePixels(c, grown(box, 2), 2, colors.box, 0.45f);
  outlinePixels(c, box, 2, colors.box);
  if (h.innerLine) outlinePixels(c, insetRect(box, 2), 2, colors.inner);
}

}  // namespace

void paintMapArea(MainPaint& paint, const ViewState& s, const WindowLayout& l, Canvas& c) {
  const PixelRect& area = l.content.map;
  if (area.empty() || !mapFillsContent(s)) return;
  syncMapBitmap(paint.bitmap, paint.map, c.dc);
  if (!paint.bitmap.bitmap) return;
  c.dc->PushAxisAlignedClip(rectF(area), D2D1_ANTIALIAS_MODE_ALIASED);
  if (paintMapTransition(paint.transitions, paint.bitmap, area, s.nowMs, mapBackground(mapSchemeAt(s.mapScheme), currentTheme().colors), c)) {
    c.dc->PopAxisAlignedClip();
    return;
  }
  // The picture fits pixel for pixel, or during a live resize the old one is stretched.
  bool exact = paint.bitmap.width == area.width() && paint.bitmap.height == area.height();
  c.dc->DrawBitmap(paint.bitmap.bitmap, rectF(area), 1.0f,
                   exact ? D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR : D2D1_BITMAP_INTERPOLATION_MODE_LINEAR);
  // Outlines belong to the cells they were laid out with: none on a stretched picture.
  if (exact && s.treemapWidth == area.width() && s.treemapHeight == area.height()) paintHover(s, paint, area, c);
  else paint.hoverDrawn = {};
  c.dc->PopAxisAlignedClip();
}

bool mapInContent(const ViewState& s) {
  // The Files and Extensions views are list windows over the panel.
  return !s.scan.scanning && !emptyState(s).icon && s.currentView == MainView::Map;
}

void paintContent(PaintFrame& f) {
  const ContentLayout& c = f.l.content;
  const ViewState& s = f.s;
  const bool map = mapFillsContent(s);
  drawCard(f.c, c.panel, 8, map ? mapBackground(mapSchemeAt(s.mapScheme), f.colors) : f.colors.surface, f.colors.stroke);
  if (s.review.open) paintReviewCard(f);
  if (s.scan.scanning) {
    paintScanning(f);
    return;
  }
  EmptyState empty = emptyState(s);
  if (empty.icon) paintEmpty(f, empty);
  // The map itself is drawn after the picture of the rest was kept (main_paint.cpp).
}
