// The main column's lower part: status bar, performance panel, content panel with
// the map area, the review card and the scanning and empty states; then the
// tooltip rectangles, and the pass that runs every part in order.
#include "ui/layout.h"

#include "config/language.h"
#include "ui/content_text.h"
#include "ui/performance_text.h"
#include "ui/review_text.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cmath>

namespace {

int32_t ceilDips(double dips) { return static_cast<int32_t>(std::ceil(dips)); }

void layoutStatusAndPanel(const ViewState& s, const TextMeasurer& measure, WindowLayout& out, int32_t L0, int32_t N) {
  const int32_t dpi = s.dpi, H = s.clientHeight;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  StatusBarLayout& status = out.status;
  status = {};
  out.panel = {};
  out.performanceHeader[0] = out.performanceHeader[1] = {};
  out.performanceSummary.clear();
  const PerformancePanel state = panelState(s);

  int32_t textRight = N;
  if (state == PerformancePanel::Open) {
    PixelRect& panel = out.panel.panel;
    panel = {L0, H - px(140), N, H - px(16)};
    status.bar = {L0 + px(4), H - px(172), N, H - px(148)};
    out.panel.title = {panel.left + px(16), panel.top + px(10), panel.right - px(17), panel.top + px(32)};
    const int32_t column = std::max(0, panel.width() - px(32)) / 4;
    for (int j = 0; j < kPerformanceCellCount; j++) {
      int32_t x = panel.left + px(16) + column * (j % 4), y = panel.top + px(38 + 26 * (j / 4));
      out.panel.cells[j] = {x, y, x + column, y + px(26)};
    }
    status.panelButton = {N - px(40), panel.top + px(6), N - px(8), panel.top + px(34)};
    out.performanceHeader[0] = out.panel.title;
    out.performanceHeader[1] = status.panelButton;
  } else {
    status.bar = {L0 + px(4), H - px(40), N, H - px(12)};
    if (state == PerformancePanel::Folded) {
      status.panelButton = {N - px(32), status.bar.top, N, status.bar.bottom};
      out.performanceSummary = performanceSummary(s);
      int32_t right = status.panelButton.left - px(4);
      int32_t width = px(ceilDips(measure.textWidth(TextStyle::Caption, out.performanceSummary)));
      status.performance = {std::max(status.bar.left, right - width), status.bar.top, right, status.bar.bottom};
      int32_t line = status.performance.left - px(8);
      status.separator = {line, status.bar.top + px(6), line + std::max(1, px(1)), status.bar.bottom - px(6)};
      textRight = line - px(8);
      out.performanceHeader[0] = status.performance;
      out.performanceHeader[1] = status.panelButton;
    }
  }
  int32_t textLeft = status.bar.left;
  if (marksPillShown(s)) {
    int32_t width = px(ceilDips(10 + 16 + 6 + measure.textWidth(TextStyle::Body, marksPillText(s)) + 10));
    status.marksPill = {status.bar.left, status.bar.top + px(2), status.bar.left + width, status.bar.bottom - px(2)};
    textLeft = status.marksPill.right + px(10);
  }
  status.text = {textLeft, status.bar.top, std::max(textLeft, textRight), status.bar.bottom};
}

void layoutReviewCard(const ViewState& s, const TextMeasurer& measure, ContentLayout& c, int32_t L0, int32_t N,
                      int32_t d) {
  const int32_t dpi = s.dpi;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  c.reviewCard = {L0 + px(1), px(163 + d), N - px(1), px(213 + d)};
  ReviewCardText card = reviewCardText(s);
  int32_t right = c.reviewCard.right - px(9);
  const int32_t top = c.reviewCard.top + px(9), bottom = c.reviewCard.top + px(41);
  auto place = [&](std::u16string_view label, int32_t minimum) {
    int32_t width = std::max(minimum, ceilDips(measure.textWidth(TextStyle::Body, label) + 32));
    PixelRect r{right - px(width), top, right, bottom};
    right = r.left - px(8);
    return r;
  };
  c.reviewMain = card.mainButton.empty() ? PixelRect{} : place(card.mainButton, 120);
  c.reviewSecond = card.secondButton.empty() ? PixelRect{} : place(card.secondButton, 96);
  c.reviewBack = card.backShown ? place(text(Text::Back), 80) : PixelRect{};
  c.reviewText = {c.reviewCard.left + px(16), c.reviewCard.top, std::max(c.reviewCard.left + px(16), right - px(4)),
                  c.reviewCard.bottom};
}

void layoutContent(const ViewState& s, const TextMeasurer& measure, WindowLayout& out, int32_t L0, int32_t N) {
  const int32_t dpi = s.dpi;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  const int32_t d = out.noticeShift;
  ContentLayout& c = out.content;
  c = {};
  c.panel = {L0, px(162 + d), N, std::max(px(162 + d), out.status.bar.top - px(4))};
  PixelRect map{c.panel.left + px(6), c.panel.top + px(6), c.panel.right - px(6), c.panel.bottom - px(6)};
  if (s.review.open) {
    layoutReviewCard(s, measure, c, L0, N, d);
    map.top += px(52);
  }
  map.right = std::max(map.left, map.right);
  map.bottom = std::max(map.top, map.bottom);
  c.map = map;
  c.centreY = (map.top + map.bottom) / 2;
  const int32_t cy = c.centreY, cx = (map.left + map.right) / 2;

  if (s.scan.scanning) {
    c.scanTitle = {map.left, cy - px(28), map.right, cy - px(4)};
    c.scanLine = {map.left, cy, map.right, cy + px(20)};
    c.progressTrack = {cx - px(120), cy + px(32), cx + px(120), cy + px(36)};
    if (fastScanTipShown(s)) {
      c.tipText = {map.left, cy + px(52), map.right, cy + px(72)};
      char16_t icon = fastScanStateOf(s) == kFastScanRestart ? u'\uEA18' : u'\uE945';
      const IconLabel label[] = {{icon, text(Text::UseFastScan)}};
      int32_t width = px(toolbarButtonWidth(label, 1, 160, measure));
      c.useFastScan = {cx - width / 2, cy + px(86), cx - width / 2 + width, cy + px(118)};
    }
  } else if (emptyState(s).icon) {
    c.emptyIcon = {map.left, cy - px(68), map.right, cy - px(12)};
    c.emptyText = {map.left, cy, map.right, cy + px(24)};
  }
}

void placeTooltips(const ViewState& s, WindowLayout& out) {
  for (PixelRect& r : out.tooltips) r = {};
  PerformancePanel state = panelState(s);
  if (state == PerformancePanel::Folded) out.tooltips[1] = out.status.performance;
  if (state == PerformancePanel::Open) {
    out.tooltips[1] = out.panel.cells[8];   // working set: the peak goes with it
    out.tooltips[2] = out.panel.cells[9];   // frame
  }
  out.tooltips[3] = out.summaryPiece;
  out.tooltips[4] = out.logicalSizes;
  out.tooltips[5] = out.sizesOnDisk;
  out.tooltips[6] = out.status.panelButton;
  out.tooltips[7] = out.status.text;
}

}  // namespace

void layoutBottom(const ViewState& s, const TextMeasurer& measure, WindowLayout& out) {
  const int32_t L0 = scaleDip(out.sidebar.width + 16, s.dpi), N = s.clientWidth - scaleDip(24, s.dpi);
  layoutStatusAndPanel(s, measure, out, L0, N);
  layoutContent(s, measure, out, L0, N);
  placeTooltips(s, out);
}

WindowLayout layoutWindow(const ViewState& s, const TextMeasurer& measure) {
  WindowLayout out;
  out.dpi = s.dpi;
  layoutSidebar(s, measure, out);
  layoutToolbarAndPath(s, measure, out);
  layoutBars(s, measure, out);
  layoutBottom(s, measure, out);
  return out;
}
