// The main column's upper part: toolbar, path bar with the breadcrumb, summary line,
// notice bar, filter bar and view tabs.
#include "ui/layout.h"

#include "config/language.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cmath>

namespace {

int32_t ceilDips(double dips) { return static_cast<int32_t>(std::ceil(dips)); }

}  // namespace

int32_t toolbarButtonWidth(const IconLabel* labels, size_t count, int32_t minimum, const TextMeasurer& measure) {
  double widest = minimum;
  for (size_t i = 0; i < count; i++) {
    // The icon has a fixed 16-DIP box whatever the font gives its glyph (nothing, where
    // the icon font is missing), as the button draws it.
    widest = std::max(widest, 16 + 16 + 8 + measure.textWidth(TextStyle::Body, labels[i].label) + 16);
  }
  return ceilDips(widest);
}

void layoutToolbarAndPath(const ViewState& s, const TextMeasurer& measure, WindowLayout& out) {
  const int32_t dpi = s.dpi;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  const int32_t L0 = px(out.sidebar.width + 16), N = s.clientWidth - px(24);

  // Widest label each button can show, so it never changes width with its label.
  const IconLabel exportLabels[] = {{u'\uEDE1', text(Text::Export)}};
  const IconLabel scanLabels[] = {{u'\uE711', text(Text::Stop)},
                                  {u'\uE711', text(Text::Cancel)},
                                  {u'\uE711', text(Text::Stopping_58)},
                                  {u'\uE72C', text(Text::Rescan)}};
  const IconLabel upLabels[] = {{u'\uE74A', text(Text::Up)}};
  const IconLabel continueLabels[] = {{u'\uE768', text(Text::Continue)}};
  const int32_t top = px(16), bottom = px(48);
  int32_t right = N;
  auto place = [&](int32_t widthDips) {
    PixelRect r{right - px(widthDips), top, right, bottom};
    right = r.left - px(8);
    return r;
  };
  out.exportButton = place(toolbarButtonWidth(exportLabels, 1, 100, measure));
  out.scanButton = place(toolbarButtonWidth(scanLabels, 4, 104, measure));
  out.upButton = place(toolbarButtonWidth(upLabels, 1, 88, measure));
  out.continueButton = continueShown(s) ? place(toolbarButtonWidth(continueLabels, 1, 116, measure)) : PixelRect{};
  const int32_t leftmost = out.continueButton.empty() ? out.upButton.left : out.continueButton.left;

  out.pathBar = {L0, px(8), std::max(L0, leftmost - px(16)), px(52)};
  const int32_t centre = (out.pathBar.top + out.pathBar.bottom) / 2;
  out.addressEdit = {out.pathBar.left + px(12), centre - px(19), std::max(out.pathBar.left + px(12), out.pathBar.right - px(12)),
                     centre + px(19)};
  out.breadcrumb.segments = breadcrumbSegments(s);
  placeBreadcrumb(out.breadcrumb, out.pathBar, dpi, measure);

  out.summaryLine = {L0, px(52), N, px(72)};
  out.summary = summaryText(s);
  out.summaryFit = fitSummary(out.summary, dipsFromPixels(out.summaryLine.width(), dpi), measure);
  const SummaryFit& fit = out.summaryFit;
  auto at = [&](double dips) { return std::min(N, L0 + px(ceilDips(dips))); };
  out.summaryHead = {L0, out.summaryLine.top, out.summary.piece.empty() ? N : at(fit.headWidth), out.summaryLine.bottom};
  out.summaryPiece = {};
  out.summaryTail = {};
  if (!out.summary.piece.empty()) {
    out.summaryPiece = {out.summaryHead.right, out.summaryLine.top, at(fit.headWidth + fit.pieceWidth), out.summaryLine.bottom};
    if (!out.summary.tail.empty()) out.summaryTail = {out.summaryPiece.right, out.summaryLine.top, N, out.summaryLine.bottom};
  }
}

void layoutBars(const ViewState& s, const TextMeasurer& measure, WindowLayout& out) {
  const int32_t dpi = s.dpi;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  const int32_t L0 = px(out.sidebar.width + 16), N = s.clientWidth - px(24);
  const int32_t d = noticeShown(s) ? 48 : 0;
  out.noticeShift = d;

  out.noticeBar = out.noticeIcon = out.noticeText = out.noticeAction = out.noticeClose = {};
  if (d) {
    out.noticeBar = {L0, px(80), N, px(120)};
    out.noticeClose = {N - px(40), px(84), N - px(8), px(116)};
    int32_t buttonsLeft = out.noticeClose.left;
    if (noticeActionShown(s)) {
      bool update = s.notice.action == NoticeAction::Update;
      std::u16string_view label = text(update ? Text::Update : Text::TurnOn);
      int32_t width = std::max(update ? 96 : 112, ceilDips(measure.textWidth(TextStyle::Body, label) + 28));
      int32_t right = out.noticeClose.left - px(8);
      out.noticeAction = {right - px(width), px(84), right, px(116)};
      buttonsLeft = out.noticeAction.left;
    }
    out.noticeIcon = {L0 + px(14), px(80), L0 + px(36), px(120)};
    out.noticeText = {L0 + px(44), px(80), std::max(L0 + px(44), buttonsLeft - px(8)), px(120)};
  }

  // The fields share what the fixed controls leave: 45 %, 33 % and the rest.
  const int32_t top = px(84 + d), bottom = px(116 + d);
  const int32_t V = std::max(0, N - L0 - px(5 * 8 + 184 + 32 + 112));
  out.searchField = {L0, top, L0 + V * 45 / 100, bottom};
  out.typesField = {out.searchField.right + px(8), top, out.searchField.right + px(8) + V * 33 / 100, bottom};
  out.sizeField = {out.typesField.right + px(8), top, std::max(out.typesField.right + px(8), L0 + V + px(16)), bottom};
  out.clearFilters = {out.sizeField.right + px(8), top, out.sizeField.right + px(8 + 32), bottom};
  const int32_t modeLeft = out.clearFilters.right + px(8);
  out.logicalSizes = {modeLeft, top, modeLeft + px(92), bottom};
  out.sizesOnDisk = {out.logicalSizes.right, top, modeLeft + px(184), bottom};
  const int32_t unitsLeft = out.sizesOnDisk.right + px(8);
  out.decimalUnits = {unitsLeft, top, unitsLeft + px(56), bottom};
  out.binaryUnits = {out.decimalUnits.right, top, unitsLeft + px(112), bottom};

  const Text tabTexts[3] = {Text::Map, Text::Files_111, Text::Extensions};
  int32_t x = L0;
  for (int i = 0; i < 3; i++) {
    int32_t width = px(ceilDips(measure.textWidth(TextStyle::Body, text(tabTexts[i])) + 24));
    out.tabs[i] = {x, px(124 + d), x + width, px(156 + d)};
    x += width + px(4);
  }
}
