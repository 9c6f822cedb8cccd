#include "ui/hit_test.h"

#include "ui/view_rules.h"

namespace {

struct Target {
  ElementId id;
  const PixelRect* rect;
  bool inReview;   // takes part while the review is open
};

}  // namespace

ElementRef elementAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  const bool review = s.review.open;
  if (layout.sidebar.splitter.contains(x, y)) return {ElementId::Splitter, -1};

  if (review) {
    const Target card[] = {{ElementId::ReviewMain, &layout.content.reviewMain, true},
                           {ElementId::ReviewSecond, &layout.content.reviewSecond, true},
                           {ElementId::ReviewBack, &layout.content.reviewBack, true}};
    for (const Target& t : card)
      if (t.rect->contains(x, y)) return {t.id, -1};
  } else {
    if (layout.status.marksPill.contains(x, y)) return {ElementId::MarksPill, -1};
    if (layout.sidebar.driveList.contains(x, y)) {
      for (size_t i = 0; i < layout.sidebar.driveRows.size(); i++)
        if (layout.sidebar.driveRows[i].contains(x, y)) return {ElementId::Drive, static_cast<int32_t>(i)};
    }
  }

  const SidebarLayout& bar = layout.sidebar;
  const Target fixed[] = {
      {ElementId::StandardScan, &bar.standardOption, false},
      {ElementId::ElevateAtStart, &bar.elevateCheck, false},
      {ElementId::FastScan, &bar.fastOption, false},
      {ElementId::Up, &layout.upButton, true},
      {ElementId::ScanButton, &layout.scanButton, true},
      {ElementId::Export, &layout.exportButton, true},
      {ElementId::Continue, &layout.continueButton, true},
      {ElementId::UseFastScan, &layout.content.useFastScan, true},
      {ElementId::NoticeAction, &layout.noticeAction, true},
      {ElementId::CloseNotice, &layout.noticeClose, true},
      {ElementId::LogicalSizes, &layout.logicalSizes, true},
      {ElementId::SizesOnDisk, &layout.sizesOnDisk, true},
      {ElementId::DecimalUnits, &layout.decimalUnits, true},
      {ElementId::BinaryUnits, &layout.binaryUnits, true},
      {ElementId::ClearFilters, &layout.clearFilters, false},
      {ElementId::About, &bar.about, false},
      {ElementId::Settings, &bar.settings, false},
      {ElementId::Version, &bar.version, false},
      {ElementId::PerformanceHeader, &layout.performanceHeader[0], true},
      {ElementId::PerformanceHeader, &layout.performanceHeader[1], true},
  };
  for (const Target& t : fixed)
    if ((!review || t.inReview) && t.rect->contains(x, y)) return {t.id, -1};

  if (!review) {
    for (int32_t i = 0; i < 3; i++)
      if (layout.tabs[i].contains(x, y)) return {ElementId::ViewTab, i};
  }

  if (!s.addressShown && layout.pathBar.contains(x, y)) {
    const Breadcrumb& crumb = layout.breadcrumb;
    for (size_t i = 0; i < crumb.segments.size(); i++)
      if (isClickableSegment(crumb, i) && crumb.segments[i].rect.contains(x, y))
        return {ElementId::BreadcrumbSegment, static_cast<int32_t>(i)};
    if (!review) return {ElementId::Address, -1};
  }
  return {};
}

int32_t mapCellAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y) {
  const PixelRect& map = layout.content.map;
  if (!hasTree(s) || s.scan.scanning || !s.treemap || !map.contains(x, y)) return -1;
  if (map.width() != s.treemapWidth || map.height() != s.treemapHeight) return -1;   // laid out for another size
  const int64_t mx = x - map.left, my = y - map.top;
  const TreemapRect* rects = s.treemap->rects();
  const int64_t count = static_cast<int64_t>(s.treemap->rectCount);
  for (int64_t i = 0; i < count; i++)
    if (mx >= rects[i].x0 && mx < rects[i].x1 && my >= rects[i].y0 && my < rects[i].y1) return static_cast<int32_t>(i);
  const int64_t gap = s.treemap->gap;
  if (gap <= 0) return -1;
  // A point in a gap belongs to the nearest neighbour within the gap on both axes.
  int64_t best = -1, bestDistance = 0;
  for (int64_t i = 0; i < count; i++) {
    const TreemapRect& r = rects[i];
    int64_t dx = mx < r.x0 ? r.x0 - mx : (mx >= r.x1 ? mx - r.x1 + 1 : 0);
    int64_t dy = my < r.y0 ? r.y0 - my : (my >= r.y1 ? my - r.y1 + 1 : 0);
    if (dx > gap || dy > gap) continue;
    int64_t distance = dx * dx + dy * dy;
    if (best < 0 || distance < bestDistance) best = i, bestDistance = distance;
  }
  return static_cast<int32_t>(best);
}
