#include "ui/sidebar.h"

#include "config/settings.h"
#include <algorithm>
#include <string>

void setSidebarWidth(ViewState& s, const SidebarLayout& current, int32_t width, bool fromDragging, Outcome& out) {
  int32_t setting = width == 0 ? 0 : std::clamp(width, kSidebarMinWidth, std::max(kSidebarMinWidth, current.maxWidth));
  if (setting == s.settings.sidebarWidth) return;
  s.settings.sidebarWidth = setting;
  out.add(EffectKind::HideSuggestions);
  bool moved = effectiveSidebarWidth(setting, current.automaticWidth, current.maxWidth) != current.width;
  if (fromDragging && moved) {
    s.zoomRunning = false;
    s.resizing = true;
    out.add(EffectKind::StartResizeTimer);
  }
  out.add(EffectKind::AnnounceValueChange).element = {ElementId::Splitter, -1};
  out.relayout = true;
  out.repaint = true;
}

void saveSidebarWidth(const ViewState& s, Outcome& out) {
  Effect& save = out.add(EffectKind::SaveSetting);
  save.section = kSettingsSection;
  save.key = kSidebarWidthKey;
  if (s.settings.sidebarWidth != 0) {
    std::string digits = std::to_string(s.settings.sidebarWidth);
    save.text.assign(digits.begin(), digits.end());
  }
}

void resetSidebarWidth(ViewState& s, const SidebarLayout& current, Outcome& out) {
  setSidebarWidth(s, current, 0, false, out);
  saveSidebarWidth(s, out);
  out.repaint = true;
}

void stepSidebarWidth(ViewState& s, const SidebarLayout& current, int32_t step, Outcome& out) {
  int32_t before = s.settings.sidebarWidth;
  setSidebarWidth(s, current, current.width + step, false, out);
  if (s.settings.sidebarWidth != before) saveSidebarWidth(s, out);
}

void scrollDrives(ViewState& s, const SidebarLayout& current, int32_t pixels) {
  s.driveScroll = std::clamp(current.driveScroll + pixels, 0, current.driveScrollRange);
}

void scrollDriveIntoView(ViewState& s, const SidebarLayout& current, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(current.driveRows.size())) return;
  const PixelRect& row = current.driveRows[index];
  const PixelRect& list = current.driveList;
  int32_t scroll = current.driveScroll;
  if (row.top < list.top) scroll -= list.top - row.top;
  else if (row.bottom > list.bottom) scroll += std::min(row.bottom - list.bottom, row.top - list.top);
  s.driveScroll = std::clamp(scroll, 0, current.driveScrollRange);
}
