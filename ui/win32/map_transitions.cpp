#include "ui/win32/map_transitions.h"

namespace {

D2D1_RECT_F rectF(const MapRectF& r, const PixelRect& at) {
  return D2D1::RectF(static_cast<float>(at.left + r.left), static_cast<float>(at.top + r.top),
                     static_cast<float>(at.left + r.right), static_cast<float>(at.top + r.bottom));
}

D2D1_RECT_F rectF(const PixelRect& r, int32_t dx = 0, int32_t dy = 0) {
  return D2D1::RectF(static_cast<float>(r.left + dx), static_cast<float>(r.top + dy), static_cast<float>(r.right + dx),
                     static_cast<float>(r.bottom + dy));
}

void dropSnapshot(MapTransitions& t) {
  if (t.snapshot) t.snapshot->Release();
  t.snapshot = nullptr;
  t.snapshotWidth = t.snapshotHeight = 0;
}

void drawZoomFrame(MapTransitions& t, ID2D1Bitmap* current, const PixelRect& area, double nowMs, Canvas& c) {
  const ZoomFrame f = zoomFrame(t.zoom.zoomIn, t.zoom.folder, area.width(), area.height(),
                                transitionElapsed(t, t.zoom.startMs, nowMs));
  ID2D1Bitmap* scaled = f.sourceIsSnapshot ? t.snapshot : current;
  ID2D1Bitmap* other = f.sourceIsSnapshot ? current : t.snapshot;
  const D2D1_RECT_F source = rectF(f.source, PixelRect{});
  c.dc->DrawBitmap(scaled, rectF(area), 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, &source);
  if (f.drawOther && f.otherOpacity > 0)
    c.dc->DrawBitmap(other, rectF(f.other, area), static_cast<float>(f.otherOpacity),
                     D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

void drawMarksFrame(MapTransitions& t, ID2D1Bitmap* current, const PixelRect& area, double nowMs, uint32_t background,
                    Canvas& c) {
  const MarksTransition& m = t.marks;
  const MarksPhase p = marksPhase(transitionElapsed(t, m.startMs, nowMs));
  c.dc->DrawBitmap(t.snapshot, rectF(area), 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  const float mapOpacity = static_cast<float>(marksMapOpacity(m.vanish, p));
  // Appearing cells grow on the reflowed map; vanishing ones shrink on the old one,
  // under the new map fading in.
  if (!m.vanish && mapOpacity > 0)
    c.dc->DrawBitmap(current, rectF(area), mapOpacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
  ID2D1Bitmap* cellPicture = m.vanish ? t.snapshot : current;
  for (const MarksCell& cell : m.cells) {
    const MarksCellFrame f = marksCellFrame(m.vanish, cell.rect, p);
    if (f.fillOpacity > 0) {
      PixelRect place{area.left + cell.rect.left, area.top + cell.rect.top, area.left + cell.rect.right,
                      area.top + cell.rect.bottom};
      fillRect(c, place, background, static_cast<float>(f.fillOpacity));
    }
    if (f.contentOpacity > 0 && f.content.width() > 0 && f.content.height() > 0) {
      const D2D1_RECT_F source = rectF(cell.rect);
      c.dc->DrawBitmap(cellPicture, rectF(f.content, area), static_cast<float>(f.contentOpacity),
                       D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, &source);
    }
  }
  if (m.vanish && mapOpacity > 0)
    c.dc->DrawBitmap(current, rectF(area), mapOpacity, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
}

}  // namespace

bool takeMapSnapshot(MapTransitions& t, MapBitmap& bitmap, MapPicture& picture, ID2D1DeviceContext* dc) {
  if (!dc || !syncMapBitmap(bitmap, picture, dc)) return false;
  const int32_t width = bitmap.width, height = bitmap.height;
  if (width <= 0 || height <= 0) return false;
  const D2D1_PIXEL_FORMAT format = bitmap.bitmap->GetPixelFormat();
  // CopyFromBitmap converts nothing: the snapshot takes the map bitmap's format.
  if (t.snapshot) {
    const D2D1_SIZE_U size = t.snapshot->GetPixelSize();
    const D2D1_PIXEL_FORMAT had = t.snapshot->GetPixelFormat();
    if (size.width != static_cast<UINT32>(width) || size.height != static_cast<UINT32>(height) ||
        had.format != format.format || had.alphaMode != format.alphaMode)
      dropSnapshot(t);
  }
  if (!t.snapshot) {
    const D2D1_BITMAP_PROPERTIES properties = {format, 96.0f, 96.0f};
    if (FAILED(dc->CreateBitmap(D2D1::SizeU(static_cast<UINT32>(width), static_cast<UINT32>(height)), nullptr, 0,
                                properties, &t.snapshot))) {
      t.snapshot = nullptr;
      return false;
    }
  }
  t.snapshotWidth = t.snapshotHeight = 0;
  if (FAILED(t.snapshot->CopyFromBitmap(nullptr, bitmap.bitmap, nullptr))) return false;
  t.snapshotWidth = width;
  t.snapshotHeight = height;
  return true;
}

void releaseMapTransitions(MapTransitions& t) {
  dropSnapshot(t);
  endMarksTransition(t.marks);
  t.zoom.running = false;
}

void releaseMapSnapshotHook(void* transitions) { dropSnapshot(*static_cast<MapTransitions*>(transitions)); }

bool paintMapTransition(MapTransitions& t, const MapBitmap& current, const PixelRect& area, double nowMs,
                        uint32_t background, Canvas& c) {
  if (!t.running() || !t.snapshot || !current.bitmap) return false;
  const int32_t width = area.width(), height = area.height();
  if (t.snapshotWidth != width || t.snapshotHeight != height || current.width != width || current.height != height)
    return false;
  if (t.zoom.running) {
    drawZoomFrame(t, current.bitmap, area, nowMs, c);
    t.zoomFramesDrawn++;
  } else {
    drawMarksFrame(t, current.bitmap, area, nowMs, background, c);
    t.marksFramesDrawn++;
  }
  return true;
}
