// The main column's upper part: toolbar, path bar with the breadcrumb, summary line,
// notice bar, filter bar and the view tabs.
#include "config/language.h"
#include "ui/content_text.h"
#include "ui/view_rules.h"
#include "ui/win32/paint_parts.h"

namespace {

void paintButtons(PaintFrame& f) {
  const ViewState& s = f.s;
  const WindowLayout& l = f.l;
  auto button = [&](const PixelRect& r, char16_t glyph, std::u16string_view label, bool enabled, ElementId id) {
    if (!r.empty()) drawToolbarButton(f.c, r, glyph, label, enabled, f.hovered(id), f.colors);
  };
  button(l.upButton, Glyph::Up, text(Text::Up), upEnabled(s), ElementId::Up);
  button(l.scanButton, s.scan.scanning ? Glyph::Stop : Glyph::Rescan, scanButtonLabel(s, false), scanButtonEnabled(s),
         ElementId::ScanButton);
  button(l.continueButton, Glyph::Continue, text(Text::Continue), true, ElementId::Continue);
  button(l.exportButton, Glyph::Export, text(Text::Export), exportEnabled(s), ElementId::Export);
}

void paintBreadcrumb(PaintFrame& f) {
  const Breadcrumb& crumb = f.l.breadcrumb;
  const size_t last = crumb.segments.size() - 1;
  const int32_t pad = f.px(kBreadcrumbPad);
  for (size_t i = 0; i < crumb.segments.size(); i++) {
    const BreadcrumbSegment& segment = crumb.segments[i];
    if (segment.collapsed || segment.rect.empty()) continue;
    if (i != last && f.hovered(ElementId::BreadcrumbSegment, static_cast<int32_t>(i)))
      fillRoundedRect(f.c, segment.rect, 4, f.colors.controlHover);
    // In the review the chain starts at the marks' own segment, in amber.
    uint32_t ink = i == 0 && f.s.review.open ? kMarkAmber : i == last ? f.colors.text : f.colors.secondaryText;
    // The layout measured the text to fit; the right pad is slack for the rounding of
    // the rectangle to whole pixels, which would otherwise trim the last letters.
    PixelRect label{segment.rect.left + pad, segment.rect.top, segment.rect.right, segment.rect.bottom};
    drawText(f.c, segment.name, label, TextStyle::LargeTitle, ink);
  }
  for (const PixelRect& separator : crumb.separators) drawIcon(f.c, Glyph::PathSeparator, separator, f.colors.secondaryText);
  if (!crumb.ellipsis.empty())
    drawText(f.c, std::u16string_view(&Glyph::Ellipsis, 1), crumb.ellipsis, TextStyle::Body, f.colors.secondaryText,
             kTextCenter);
}

void paintPathBar(PaintFrame& f) {
  const WindowLayout& l = f.l;
  if (f.s.addressShown) {
    // The edit draws the path; the frame goes round it.
    PixelRect frame{l.pathBar.left, l.addressEdit.top - f.px(2), l.pathBar.right, l.addressEdit.bottom + f.px(2)};
    drawFieldFrame(f.c, frame, true, f.s.addressInvalid, f.colors);
    return;
  }
  if (hasTree(f.s) && !f.l.breadcrumb.segments.empty()) {
    paintBreadcrumb(f);
    return;
  }
  PixelRect title{l.pathBar.left + f.px(kBreadcrumbInset), l.pathBar.top, l.pathBar.right, l.pathBar.bottom};
  drawText(f.c, pathTitle(f.s), title, TextStyle::LargeTitle, f.colors.text);
}

void paintSummary(PaintFrame& f) {
  const WindowLayout& l = f.l;
  const uint32_t ink = f.colors.secondaryText;
  if (l.summary.piece.empty()) {
    // One line, trimmed with an ellipsis when it does not fit.
    drawText(f.c, summaryLine(l.summary), l.summaryLine, TextStyle::Caption, ink);
    return;
  }
  // The unreadable folders' piece stays whole (it carries a tooltip); the head gave way.
  drawText(f.c, l.summaryFit.head, l.summaryHead, TextStyle::Caption, ink);
  drawText(f.c, l.summary.piece, l.summaryPiece, TextStyle::Caption, ink);
  drawText(f.c, l.summary.tail, l.summaryTail, TextStyle::Caption, ink);
}

struct NoticeLook {
  uint32_t fill;
  char16_t glyph;
  uint32_t glyphColor;
};

NoticeLook noticeLook(const PaintFrame& f) {
  const bool dark = f.theme.dark;
  switch (f.s.notice.kind) {
    case NoticeKind::Success: return {successNoticeBackground(dark), Glyph::Success, kSuccessGreen};
    case NoticeKind::Error: return {errorNoticeBackground(dark), Glyph::Error, kErrorRed};
    case NoticeKind::Managed: return {f.colors.surface, Glyph::Managed, f.colors.accent};
    default: return {f.colors.surface, Glyph::Information, f.colors.accent};
  }
}

void paintNotice(PaintFrame& f) {
  const WindowLayout& l = f.l;
  if (l.noticeBar.empty()) return;
  NoticeLook look = noticeLook(f);
  drawCard(f.c, l.noticeBar, 6, look.fill, f.colors.stroke);
  drawIcon(f.c, look.glyph, l.noticeIcon, look.glyphColor);
  drawText(f.c, f.s.notice.text, l.noticeText, TextStyle::Body, f.colors.text);
  if (!l.noticeAction.empty())
    drawSecondaryButton(f.c, l.noticeAction, text(f.s.notice.action == NoticeAction::Update ? Text::Update : Text::TurnOn),
                        f.hovered(ElementId::NoticeAction), f.colors);
  if (f.hovered(ElementId::CloseNotice)) fillRoundedRect(f.c, l.noticeClose, 4, f.colors.controlHover);
  drawIcon(f.c, Glyph::Stop, l.noticeClose, f.colors.text);
}

bool focusedOn(const PaintFrame& f, ElementId id) { return f.s.focus.id == id; }

// A field's frame, and until its edit is there (or while it is empty) the hint it will show.
void paintField(PaintFrame& f, const PixelRect& r, ElementId id, std::u16string_view content, Text hint, bool invalid,
                int32_t textLeftDips) {
  drawFieldFrame(f.c, r, focusedOn(f, id), invalid, f.colors);
  PixelRect inner{r.left + f.px(textLeftDips), r.top, r.right - f.px(8), r.bottom};
  if (content.empty()) drawText(f.c, text(hint), inner, TextStyle::Body, f.colors.tertiary);
}

void paintFilterBar(PaintFrame& f) {
  const WindowLayout& l = f.l;
  const ViewState& s = f.s;
  paintField(f, l.searchField, ElementId::SearchEdit, s.filter.search, Text::SearchNamesAndWildcards, false, 36);
  drawIcon(f.c, Glyph::Search, {l.searchField.left + f.px(10), l.searchField.top, l.searchField.left + f.px(30),
                                l.searchField.bottom},
           f.colors.secondaryText);
  paintField(f, l.typesField, ElementId::TypesEdit, s.filter.types, Text::TypesVideoJpg, false, 12);
  paintField(f, l.sizeField, ElementId::SizeEdit, s.filter.minimumSize, Text::LargerThan_79, s.filter.sizeInvalid, 12);

  const bool clearable = anyFilterText(s);
  const bool clearHovered = clearable && f.hovered(ElementId::ClearFilters);
  drawCard(f.c, l.clearFilters, 4, clearHovered ? f.colors.controlHover : f.colors.control, f.colors.controlStroke);
  drawIcon(f.c, Glyph::ClearFilters, l.clearFilters, clearable ? f.colors.text : f.colors.tertiary);

  const std::u16string_view sizeModes[] = {text(Text::Logical_66), text(Text::OnDisk_67)};
  drawSegmentedChoice(f.c, {l.logicalSizes.left, l.logicalSizes.top, l.sizesOnDisk.right, l.sizesOnDisk.bottom}, sizeModes,
                      f.knobs.sizeMode, !sizeModeFixedByPolicy(s), f.colors);
  const std::u16string_view units[] = {text(Text::GB), text(Text::GiB)};
  drawSegmentedChoice(f.c, {l.decimalUnits.left, l.decimalUnits.top, l.binaryUnits.right, l.binaryUnits.bottom}, units,
                      f.knobs.units, true, f.colors);

  if (s.review.open) {
    // The fields stand still: their texts drawn as they are, the whole dimmed.
    const std::u16string* texts[] = {&s.filter.search, &s.filter.types, &s.filter.minimumSize};
    const PixelRect* fields[] = {&l.searchField, &l.typesField, &l.sizeField};
    for (int i = 0; i < 3; i++) {
      const PixelRect& r = *fields[i];
      drawText(f.c, *texts[i], {r.left + f.px(i == 0 ? 36 : 12), r.top, r.right - f.px(8), r.bottom}, TextStyle::Body,
               f.colors.text);
      coverForReview(f, r);
    }
  }
}

void paintTabs(PaintFrame& f) {
  const Text names[3] = {Text::Map, Text::Files_111, Text::Extensions};
  for (int i = 0; i < 3; i++) {
    const PixelRect& tab = f.l.tabs[i];
    const bool current = static_cast<int32_t>(f.s.currentView) == i;
    if (!current && f.hovered(ElementId::ViewTab, i)) fillRoundedRect(f.c, tab, 4, f.colors.controlHover);
    drawText(f.c, text(names[i]), tab, TextStyle::Body, current ? f.colors.text : f.colors.secondaryText, kTextCenter);
    if (current) {
      int32_t middle = (tab.left + tab.right) / 2;
      fillRoundedRect(f.c, {middle - f.px(8), tab.bottom - f.px(3), middle + f.px(8), tab.bottom}, 1.5f, f.colors.accent);
    }
  }
  if (f.s.review.open) coverForReview(f, {f.l.tabs[0].left, f.l.tabs[0].top, f.l.tabs[2].right, f.l.tabs[0].bottom});
}

}  // namespace

void paintToolbar(PaintFrame& f) {
  paintButtons(f);
  paintPathBar(f);
  paintSummary(f);
}

void paintBars(PaintFrame& f) {
  paintNotice(f);
  paintFilterBar(f);
  paintTabs(f);
}
