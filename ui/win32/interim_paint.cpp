// INTERIM: a plain picture of the main window until its real painting lands
// (ui/win32/main_paint.h). Backgrounds, the toolbar buttons, the texts of the
// path bar, summary, notice and status line, the scan's progress, and the map as
// one bitmap of the cushion raster. It is deleted when the real painting comes.
//
// Threading: the window thread.
#include "render/win32/draw.h"
#include "treemap/schemes.h"
#include "treemap/treemap.h"
#include "ui/breadcrumb.h"
#include "ui/content_text.h"
#include "ui/navigation.h"
#include "ui/status_text.h"
#include "ui/summary_text.h"
#include "ui/view_rules.h"
#include "ui/win32/main_window.h"
#include "config/language.h"

struct InterimMap {
  TreemapLayout cells;
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;   // of the pixels
  bool stale = true;
  ID2D1Bitmap* bitmap = nullptr;   // the pixels on the device
  bool bitmapOld = true;
};

namespace {

PixelRect pixels(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

void updateMap(MainWindow& w) {
  InterimMap& m = *w.map;
  ViewState& s = w.state;
  const Rect& area = w.layout.content.map;
  if (!m.stale || s.resizing || s.currentView != MainView::Map || !hasTree(s) || area.empty()) return;
  const MapScheme& scheme = currentMapScheme();
  int32_t root = s.shown.viewRoot >= 0 ? s.shown.viewRoot : treeRoot(s);
  if (shownSize(s, root) <= 0) root = -1;
  double start = nowMs();
  layoutTreemap(m.cells, *s.shown.tree, root, area.width(), area.height(), s.shown.weightsInUse ? s.shown.weights : nullptr,
                s.shown.weightsInUse ? s.shown.weightCount : 0, pixelsFromDips(scheme.gap, s.dpi), scheme.glow);
  double laidOut = nowMs();
  m.width = area.width();
  m.height = area.height();
  m.pixels.assign(static_cast<size_t>(m.width) * m.height, 0);
  uint32_t background = scheme.background ? scheme.background : 0xFF000000u | currentTheme().colors.surface;
  rasterTreemap(m.cells, m.pixels.data(), m.pixels.size(), m.width, m.height, background, 0);
  s.performance.layoutMs = laidOut - start;
  s.performance.renderMs = nowMs() - laidOut;
  mapCellsReplaced(s, &m.cells, m.width, m.height);
  m.stale = false;
  m.bitmapOld = true;
}

void drawMap(MainWindow& w, Canvas& c) {
  InterimMap& m = *w.map;
  const Rect& area = w.layout.content.map;
  if (m.pixels.empty()) return;
  if (m.bitmapOld || !m.bitmap) {
    if (m.bitmap) m.bitmap->Release();
    m.bitmap = nullptr;
    D2D1_BITMAP_PROPERTIES properties = {{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96, 96};
    c.dc->CreateBitmap(D2D1::SizeU(m.width, m.height), m.pixels.data(), m.width * 4, properties, &m.bitmap);
    m.bitmapOld = false;
  }
  if (!m.bitmap) return;
  // During a live resize the last picture is stretched.
  bool exact = m.width == area.width() && m.height == area.height();
  c.dc->DrawBitmap(m.bitmap, D2D1::RectF(area.left, area.top, area.right, area.bottom), 1.0f,
                   exact ? D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR : D2D1_BITMAP_INTERPOLATION_MODE_LINEAR);
}

void drawScanning(MainWindow& w, Canvas& c, const ThemeColors& colors) {
  const ContentLayout& content = w.layout.content;
  const ViewState& s = w.state;
  drawText(c, scanningTitle(s), pixels(content.scanTitle), TextStyle::BodyStrong, colors.text, kTextCenter);
  drawText(c, scanningLine(s), pixels(content.scanLine), TextStyle::Body, colors.secondaryText, kTextCenter);
  PixelRect track = pixels(content.progressTrack);
  fillRoundedRect(c, track, 2, colors.track);
  if (s.scan.progress.total > 0) {
    track.right = track.left + static_cast<int32_t>(track.width() * std::min<int64_t>(s.scan.progress.done, s.scan.progress.total) /
                                                    s.scan.progress.total);
  } else {   // no total for a walk: a block that moves with the count
    int32_t block = track.width() / 4, span = track.width() - block;
    int32_t at = span > 0 ? static_cast<int32_t>((s.scan.progress.done / 997) % span) : 0;
    track.left += at;
    track.right = track.left + block;
  }
  fillRoundedRect(c, track, 2, colors.accent);
}

}  // namespace

InterimMap* newInterimMap() { return new InterimMap; }

void resetInterimMap(MainWindow& w) {
  InterimMap& m = *w.map;
  releaseTreemapLayout(m.cells);
  m.pixels.clear();
  m.pixels.shrink_to_fit();
  m.width = m.height = 0;
  m.stale = true;
  m.bitmapOld = true;
  w.state.treemap = nullptr;
  w.state.treemapWidth = w.state.treemapHeight = 0;
  w.state.hoverCell = -1;
}

void markInterimMapStale(MainWindow& w) { w.map->stale = true; }

void releaseInterimMapBitmap(void* map) {
  InterimMap* m = static_cast<InterimMap*>(map);
  if (m->bitmap) m->bitmap->Release();
  m->bitmap = nullptr;
  m->bitmapOld = true;
}

void interimPaint(MainWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
  const ViewState& s = w.state;
  const WindowLayout& l = w.layout;
  const ThemeColors& colors = currentTheme().colors;
  Canvas c{dc, brush, &programTextStyles(), static_cast<uint32_t>(s.dpi)};
  updateMap(w);
  fillRect(c, {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)}, colors.background);

  // Sidebar: the name and the drives.
  drawText(c, u"Mossbloom", pixels(l.sidebar.productName), TextStyle::Title, colors.text);
  for (size_t i = 0; i < l.sidebar.driveRows.size() && i < s.drives.size(); i++) {
    PixelRect row = pixels(intersect(l.sidebar.driveRows[i], l.sidebar.driveList));
    if (row.empty()) continue;
    if (static_cast<int32_t>(i) == s.scan.driveIndex) fillRoundedRect(c, row, 4, colors.surfaceHover);
    drawText(c, s.drives[i].label + u" (" + std::u16string(1, s.drives[i].letter) + u":)", insetRect(row, 8),
             TextStyle::Body, colors.text);
  }

  // Toolbar, path and summary.
  auto button = [&](const Rect& r, char16_t glyph, std::u16string_view label, bool enabled, ElementId id) {
    if (!r.empty()) drawToolbarButton(c, pixels(r), glyph, label, enabled, s.hover.id == id, colors);
  };
  button(l.continueButton, Glyph::Continue, text(Text::Continue), true, ElementId::Continue);
  button(l.upButton, Glyph::Up, text(Text::Up), upEnabled(s), ElementId::Up);
  button(l.scanButton, s.scan.scanning ? Glyph::Stop : Glyph::Rescan, scanButtonLabel(s, false), scanButtonEnabled(s),
         ElementId::ScanButton);
  button(l.exportButton, Glyph::Export, text(Text::Export), exportEnabled(s), ElementId::Export);
  std::u16string path = hasTree(s) ? s.shown.path : std::u16string(pathTitle(s));
  drawText(c, path, pixels(l.pathBar), TextStyle::Title, colors.text, kTextPathEllipsis);
  drawText(c, summaryLine(l.summary), pixels(l.summaryLine), TextStyle::Body, colors.secondaryText);

  // The notice.
  if (noticeShown(s)) {
    drawCard(c, pixels(l.noticeBar), 6, s.notice.kind == NoticeKind::Error ? errorNoticeBackground(currentTheme().dark)
                                                                           : colors.surface, colors.stroke);
    drawText(c, s.notice.text, pixels(l.noticeText), TextStyle::Body, colors.text);
  }

  // The content: the map, the scan's progress, or the empty state.
  drawCard(c, pixels(l.content.panel), 8, colors.surface, colors.stroke);
  if (s.scan.scanning) drawScanning(w, c, colors);
  else if (hasTree(s) && s.currentView == MainView::Map) drawMap(w, c);
  else drawText(c, emptyState(s).text, pixels(l.content.emptyText), TextStyle::Body, colors.secondaryText, kTextCenter);

  // The status line.
  drawText(c, statusLine(s), pixels(l.status.text), TextStyle::Caption, colors.secondaryText);
}
