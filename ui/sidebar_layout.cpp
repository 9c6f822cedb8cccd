// The sidebar: its width rule, the drive list with scrolling, the scan-mode box and
// the footer.
#include "ui/layout.h"

#include "config/language.h"
#include "ui/drive_text.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cmath>

namespace {

// Fast option's second line: the elevate check box takes the description's place.
std::u16string_view fastDescription(const ViewState& s) {
  switch (fastScanStateOf(s)) {
    case kFastScanAdmin: return text(Text::ReadTheNTFSMFTDirectly);
    case kFastScanRestart: return text(Text::RestartsAsAdministrator);
    case kFastScanRestartHidden: return text(Text::RequiresAdministratorManaged);
    default: return text(Text::ManagedByYourOrganization);
  }
}

}  // namespace

int32_t sidebarMaxWidth(const ViewState& s) {
  int32_t outer = dipsFromPixels(s.outerWidth > 0 ? s.outerWidth : s.clientWidth, s.dpi);
  return std::clamp(312 + (outer - 960), 312, 480);
}

int32_t effectiveSidebarWidth(int32_t setting, int32_t automatic, int32_t maximum) {
  return std::clamp(setting != 0 ? setting : automatic, kSidebarMinWidth, std::max(kSidebarMinWidth, maximum));
}

int32_t automaticSidebarWidth(const ViewState& s, const TextMeasurer& measure) {
  double widest = 0;
  auto need = [&](double leading, TextStyle style, std::u16string_view t, double trailing) {
    widest = std::max(widest, leading + measure.textWidth(style, t) + trailing);
  };
  need(73, TextStyle::Title, text(Text::Mossbloom), 8);
  need(73, TextStyle::Caption, text(Text::DiskUsageAtAGlance), 8);
  for (const DriveEntry& drive : s.drives) {
    need(68, TextStyle::BodyStrong, driveTitle(drive), 12);
    need(68, TextStyle::Caption, driveDetail(s, drive), 12);
  }
  need(24, TextStyle::BodyStrong, text(Text::ScanMode), 8);
  need(32, TextStyle::Body, text(Text::Standard_14), 12);
  need(32, TextStyle::Caption, text(Text::DirectoryWalk_15), 12);
  bool restarts = fastScanStateOf(s) == kFastScanRestart;
  need(restarts ? 58 : 32, TextStyle::Body, text(Text::Fast), 12);
  if (elevateCheckShown(s)) need(58, TextStyle::Body, text(Text::AlwaysStartAsAdministrator), 12);
  else need(32, TextStyle::Caption, fastDescription(s), 12);
  if (s.facts.isAdministrator) need(24, TextStyle::Caption, text(Text::RunningAsAdministrator), 8);
  need(52, TextStyle::Body, text(Text::AboutMossbloom), 108);
  return static_cast<int32_t>(std::ceil(widest));
}

void layoutSidebar(const ViewState& s, const TextMeasurer& measure, WindowLayout& out) {
  SidebarLayout& bar = out.sidebar;
  const int32_t dpi = s.dpi;
  auto px = [dpi](int64_t dips) { return scaleDip(dips, dpi); };
  const int32_t H = s.clientHeight;

  bar.maxWidth = sidebarMaxWidth(s);
  bar.automaticWidth = automaticSidebarWidth(s, measure);
  bar.width = effectiveSidebarWidth(s.settings.sidebarWidth, bar.automaticWidth, bar.maxWidth);
  const int32_t SW = bar.width;
  const int32_t left = px(16), right = px(SW);

  bar.icon = {px(16), px(16), px(64), px(64)};
  bar.productName = {px(73), px(8), right, px(52)};
  bar.tagline = {px(73), px(52), right, px(72)};
  bar.drivesHeading = {px(24), px(80), px(SW - 8), px(100)};

  // Sections under the list, as heights below its bottom edge.
  const int32_t boxBottom = 48 + 112;
  const int32_t sectionsBelow = s.facts.isAdministrator ? boxBottom + 12 + 20 : boxBottom;
  const int32_t count = static_cast<int32_t>(s.drives.size());
  const int32_t listTop = px(108);
  const int32_t content = count > 0 ? px(72 * count - 4) : 0;
  const int32_t room = H - px(48 + 8 + sectionsBelow) - listTop;
  int32_t visible = std::min(content, room);
  if (count > 0) visible = std::max(visible, std::min(content, px(68)));
  visible = std::max(visible, 0);
  bar.driveScrollRange = std::max(0, content - visible);
  bar.driveScroll = std::clamp(s.driveScroll, 0, bar.driveScrollRange);
  bar.driveList = {left, listTop, right, listTop + visible};
  bar.driveRows.resize(s.drives.size());
  for (int32_t i = 0; i < count; i++) {
    int32_t top = px(108 + 72 * i) - bar.driveScroll;
    bar.driveRows[i] = {left, top, right, top + px(68)};
  }
  bar.driveThumb = {};
  if (bar.driveScrollRange > 0 && visible > 0) {
    int64_t h = visible, overflow = bar.driveScrollRange;
    int32_t thumb = std::max<int32_t>(px(24), static_cast<int32_t>(h * h / (overflow + h)));
    thumb = std::min(thumb, visible);
    int32_t top = listTop + static_cast<int32_t>((h - thumb) * bar.driveScroll / overflow);
    bar.driveThumb = {px(SW + 4), top, px(SW + 8), top + thumb};
  }

  const int32_t listBottom = listTop + visible;
  bar.scanModeHeading = {px(24), listBottom + px(20), px(SW - 8), listBottom + px(40)};
  bar.scanModeBox = {left, listBottom + px(48), right, listBottom + px(48 + 112)};
  bar.standardOption = {left, bar.scanModeBox.top, right, bar.scanModeBox.top + px(56)};
  bar.fastOption = {left, bar.standardOption.bottom, right, bar.scanModeBox.bottom};
  bar.elevateCheck = {};
  if (elevateCheckShown(s))
    bar.elevateCheck = {left + px(12), bar.fastOption.top + px(28), right - px(12), bar.fastOption.bottom - px(6)};
  int32_t lastSection = bar.scanModeBox.bottom;
  bar.adminLabel = {};
  if (s.facts.isAdministrator) {
    bar.adminLabel = {px(24), lastSection + px(12), px(SW - 8), lastSection + px(32)};
    lastSection = bar.adminLabel.bottom;
  }

  const int32_t footerTop = std::max(H - px(48), lastSection + px(8));
  bar.footer = {left, footerTop, right, footerTop + px(36)};
  bar.about = {left, footerTop, px(SW - 100), bar.footer.bottom};
  bar.version = {px(SW - 96), footerTop, px(SW - 44), bar.footer.bottom};
  bar.settings = {px(SW - 40), footerTop, right, bar.footer.bottom};
  // The divider is drawn at SW + 8; it takes the pointer a little to either side.
  bar.splitter = {px(SW + 4), 0, px(SW + 12), H};
}
