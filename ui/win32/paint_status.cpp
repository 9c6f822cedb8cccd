// The status bar (the marks pill, the left part, the performance summary and the
// panel button) and the open performance panel.
#include "config/language.h"
#include "render/win32/text.h"
#include "ui/performance_text.h"
#include "ui/review_text.h"
#include "ui/status_text.h"
#include "ui/view_rules.h"
#include "ui/win32/paint_parts.h"
#include "ui/win32/text_measurer.h"

namespace {

void paintMarksPill(PaintFrame& f) {
  const PixelRect& pill = f.l.status.marksPill;
  if (pill.empty()) return;
  drawCard(f.c, pill, 4, f.hovered(ElementId::MarksPill) ? f.colors.controlHover : f.colors.control, kMarkAmber);
  drawIcon(f.c, Glyph::DeletionMark, {pill.left + f.px(10), pill.top, pill.left + f.px(26), pill.bottom}, kMarkAmber);
  drawText(f.c, marksPillText(f.s), {pill.left + f.px(32), pill.top, pill.right - f.px(8), pill.bottom}, TextStyle::Body,
           f.colors.text);
}

void paintHoverLine(PaintFrame& f, const HoverLine& line) {
  DirectWriteMeasurer measure(*f.c.styles);
  HoverLineLayout at = placeHoverLine(line, f.l.status.text, f.s.dpi, measure);
  drawText(f.c, line.folder, at.folder, TextStyle::Caption, f.colors.secondaryText, kTextPathEllipsis);
  drawText(f.c, line.name, at.name, TextStyle::Caption, f.colors.text);
  drawText(f.c, line.info, at.info, TextStyle::BodyStrong, f.colors.text);
  drawText(f.c, line.failure, at.failure, TextStyle::Caption, kMarkAmber);
  drawText(f.c, line.parent, at.parent, TextStyle::Caption, f.colors.secondaryText, kTextTrailing | kTextPathEllipsis);
}

void paintLeftPart(PaintFrame& f) {
  StatusText status = statusText(f.s);
  if (status.kind == StatusKind::Hover) paintHoverLine(f, status.hover);
  else drawText(f.c, status.text, f.l.status.text, TextStyle::Caption, f.colors.secondaryText);
}

void paintPanelButton(PaintFrame& f, const PixelRect& r, bool open) {
  if (f.hovered(ElementId::PerformanceHeader)) fillRoundedRect(f.c, r, 4, f.colors.controlHover);
  drawIcon(f.c, open ? Glyph::PanelOpen : Glyph::PanelFolded, r, f.colors.text);
}

void paintFoldedSummary(PaintFrame& f) {
  const StatusBarLayout& status = f.l.status;
  if (status.performance.empty() && status.panelButton.empty()) return;
  bool hovered = f.hovered(ElementId::PerformanceHeader);
  fillRect(f.c, status.separator, f.colors.stroke);
  drawText(f.c, f.l.performanceSummary, status.performance, TextStyle::Caption,
           hovered ? f.colors.text : f.colors.secondaryText, kTextTrailing);
  paintPanelButton(f, status.panelButton, false);
}

void paintPanel(PaintFrame& f) {
  const PanelLayout& p = f.l.panel;
  if (p.panel.empty()) return;
  // Opening and folding slide the panel by its height; below the window it is cut off.
  const int32_t dy = f.panelOffset;
  auto down = [dy](const PixelRect& r) { return PixelRect{r.left, r.top + dy, r.right, r.bottom + dy}; };
  f.c.dc->PushAxisAlignedClip(D2D1::RectF(static_cast<float>(p.panel.left), static_cast<float>(p.panel.top),
                                          static_cast<float>(p.panel.right), static_cast<float>(f.height)),
                              D2D1_ANTIALIAS_MODE_ALIASED);
  drawCard(f.c, down(p.panel), 6, f.colors.surface, f.colors.stroke);
  drawText(f.c, text(Text::Performance), down(p.title), TextStyle::BodyStrong, f.colors.text);
  PerformanceCell cells[kPerformanceCells];
  performanceCells(f.s, cells);
  for (int i = 0; i < kPerformanceCells; i++) {
    PixelRect cell = down(p.cells[i]);
    PixelRect inner{cell.left, cell.top, cell.right - f.px(12), cell.bottom};
    drawText(f.c, cells[i].label, inner, TextStyle::Caption, f.colors.secondaryText);
    drawText(f.c, cells[i].value, inner, TextStyle::BodyStrong, f.colors.text, kTextTrailing);
  }
  paintPanelButton(f, down(f.l.status.panelButton), true);
  f.c.dc->PopAxisAlignedClip();
}

}  // namespace

void paintStatus(PaintFrame& f) {
  paintMarksPill(f);
  paintLeftPart(f);
  if (panelState(f.s) == PerformancePanel::Open) paintPanel(f);
  else if (panelState(f.s) == PerformancePanel::Folded) paintFoldedSummary(f);
}
