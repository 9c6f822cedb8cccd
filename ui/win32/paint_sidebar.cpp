// The sidebar: header, drive list, scan mode, footer, the review's cover and the divider.
#include "config/language.h"
#include "render/win32/text.h"
#include "ui/drive_text.h"
#include "ui/view_rules.h"
#include "ui/win32/paint_parts.h"
#include <algorithm>
#include <cmath>

namespace {

void paintHeader(PaintFrame& f) {
  const SidebarLayout& bar = f.l.sidebar;
  if (ID2D1Bitmap* icon = programIconBitmap(f.paint.icon, f.paint.instance, bar.icon.width(), f.c.dc)) {
    f.c.dc->DrawBitmap(icon, D2D1::RectF(static_cast<float>(bar.icon.left), static_cast<float>(bar.icon.top),
                                         static_cast<float>(bar.icon.right), static_cast<float>(bar.icon.bottom)));
  }
  // The name shares its band with the path title, which is larger: both centred, the
  // name sits 3 DIPs lower so that their baselines meet.
  PixelRect name = bar.productName;
  name.top += f.px(3);
  name.bottom += f.px(3);
  drawText(f.c, text(Text::Mossbloom), name, TextStyle::Title, f.colors.text);
  drawText(f.c, text(Text::DiskUsageAtAGlance), bar.tagline, TextStyle::Caption, f.colors.secondaryText);
  drawText(f.c, text(Text::Drives), bar.drivesHeading, TextStyle::BodyStrong, f.colors.text);
}

void paintDrive(PaintFrame& f, size_t index, const PixelRect& row) {
  const DriveEntry& drive = f.s.drives[index];
  const uint32_t dpi = f.c.dpi;
  const bool hovered = f.hovered(ElementId::Drive, static_cast<int32_t>(index));
  drawCard(f.c, row, 6, hovered ? f.colors.surfaceHover : f.colors.surface, f.colors.stroke);
  const bool current = static_cast<int32_t>(index) == f.s.scan.driveIndex && (hasTree(f.s) || f.s.scan.scanning);
  if (current) {
    PixelRect accent{row.left, row.top + f.px(26), row.left + f.px(3), row.top + f.px(42)};
    fillRoundedRect(f.c, accent, 1.5f, f.colors.accent);
  }
  bool blocked = driveStatus(f.s.facts.policies, drive.letter).status == kDriveBlocked;
  uint32_t ink = blocked ? f.colors.tertiary : f.colors.text;
  drawIcon(f.c, Glyph::Drive, {row.left + f.px(16), row.top + f.px(12), row.left + f.px(44), row.top + f.px(40)}, ink,
           TextStyle::Icon);
  drawText(f.c, driveTitle(drive), insideBox(row, 52, 10, 13, 30, dpi), TextStyle::BodyStrong, ink);
  drawText(f.c, driveDetail(f.s, drive), insideBox(row, 52, 30, 13, 48, dpi), TextStyle::Caption, f.colors.secondaryText);
  PixelRect usage = insideBox(row, 52, 52, 17, 56, dpi);
  fillRoundedRect(f.c, usage, 2, f.colors.track);
  PixelRect used = driveUsageFill(drive, usage);
  if (!used.empty()) fillRoundedRect(f.c, used, 2, driveUsageColor(drive, f.colors));
}

void paintDrives(PaintFrame& f) {
  const SidebarLayout& bar = f.l.sidebar;
  if (bar.driveList.empty()) return;
  f.c.dc->PushAxisAlignedClip(D2D1::RectF(static_cast<float>(bar.driveList.left), static_cast<float>(bar.driveList.top),
                                          static_cast<float>(bar.driveList.right),
                                          static_cast<float>(bar.driveList.bottom)),
                              D2D1_ANTIALIAS_MODE_ALIASED);
  for (size_t i = 0; i < bar.driveRows.size() && i < f.s.drives.size(); i++) {
    const PixelRect& row = bar.driveRows[i];
    if (row.bottom <= bar.driveList.top || row.top >= bar.driveList.bottom) continue;
    paintDrive(f, i, row);
  }
  f.c.dc->PopAxisAlignedClip();
  if (!bar.driveThumb.empty()) fillRoundedRect(f.c, bar.driveThumb, 2, f.colors.tertiary);
}

std::u16string_view fastDescription(const ViewState& s) {
  switch (fastScanStateOf(s)) {
    case kFastScanAdmin: return text(Text::ReadTheNTFSMFTDirectly);
    case kFastScanRestart: return text(Text::RestartsAsAdministrator);
    case kFastScanRestartHidden: return text(Text::RequiresAdministratorManaged);
    default: return text(Text::ManagedByYourOrganization);
  }
}

void paintScanMode(PaintFrame& f) {
  const SidebarLayout& bar = f.l.sidebar;
  const uint32_t dpi = f.c.dpi;
  drawText(f.c, text(Text::ScanMode), bar.scanModeHeading, TextStyle::BodyStrong, f.colors.text);
  drawCard(f.c, bar.scanModeBox, 6, f.colors.surface, f.colors.stroke);
  // The knob slides between the two options; the labels fade with it.
  const double position = f.knobs.scanMode;
  PixelRect a = insetRect(bar.standardOption, f.px(4)), b = insetRect(bar.fastOption, f.px(4));
  auto between = [position](int32_t x, int32_t y) { return x + static_cast<int32_t>(std::lround((y - x) * position)); };
  PixelRect knob{between(a.left, b.left), between(a.top, b.top), between(a.right, b.right), between(a.bottom, b.bottom)};
  drawCard(f.c, knob, 4, f.colors.control, f.colors.controlStroke);

  uint32_t standardInk = mixColor(f.colors.secondaryText, f.colors.text, 1 - position);
  uint32_t fastInk = mixColor(f.colors.secondaryText, f.colors.text, position);
  drawText(f.c, text(Text::Standard_14), insideBox(bar.standardOption, 16, 9, 13, 29, dpi), TextStyle::Body, standardInk);
  drawText(f.c, text(Text::DirectoryWalk_15), insideBox(bar.standardOption, 16, 29, 13, 47, dpi), TextStyle::Caption,
           f.colors.secondaryText);
  PixelRect fastLabel = insideBox(bar.fastOption, 16, 9, 13, 29, dpi);
  drawText(f.c, text(Text::Fast), fastLabel, TextStyle::Body, fastInk);
  if (fastScanStateOf(f.s) == kFastScanRestart) {
    int32_t x = fastLabel.left + measureText(*f.c.styles, text(Text::Fast), TextStyle::Body) + f.px(4);
    drawIcon(f.c, Glyph::Administrator, {x, fastLabel.top, std::min(x + f.px(16), fastLabel.right), fastLabel.bottom},
             fastInk);
  }
  if (!bar.elevateCheck.empty()) {
    drawCheckBox(f.c, bar.elevateCheck, text(Text::AlwaysStartAsAdministrator), f.s.settings.elevateAtStart,
                 f.hovered(ElementId::ElevateAtStart), elevateToggleAllowed(f.s), f.colors);
  } else {
    drawText(f.c, fastDescription(f.s), insideBox(bar.fastOption, 16, 29, 13, 47, dpi), TextStyle::Caption,
             f.colors.secondaryText);
  }
  if (!bar.adminLabel.empty())
    drawText(f.c, text(Text::RunningAsAdministrator), bar.adminLabel, TextStyle::Caption, f.colors.secondaryText);
}

void paintFooter(PaintFrame& f) {
  const SidebarLayout& bar = f.l.sidebar;
  const ViewState& s = f.s;
  auto hoverFill = [&](const PixelRect& r, ElementId id) {
    if (f.hovered(id)) fillRoundedRect(f.c, r, 4, f.colors.surfaceHover);
  };
  hoverFill(bar.about, ElementId::About);
  drawIcon(f.c, Glyph::Information, {bar.about.left + f.px(8), bar.about.top, bar.about.left + f.px(28), bar.about.bottom},
           f.colors.text);
  drawText(f.c, text(Text::AboutMossbloom), {bar.about.left + f.px(36), bar.about.top, bar.about.right, bar.about.bottom},
           TextStyle::Body, f.colors.text);

  const PixelRect& version = bar.version;
  if (updateChecksOff(s)) {
    // Turned off by the organisation: a label, not a button.
    int32_t textWidth = measureText(*f.c.styles, s.facts.version, TextStyle::Caption);
    int32_t icon = f.px(16), gap = f.px(2);
    int32_t left = version.left + (version.width() - icon - gap - textWidth) / 2;
    drawIcon(f.c, Glyph::Managed, {left, version.top, left + icon, version.bottom}, f.colors.tertiary);
    drawText(f.c, s.facts.version, {left + icon + gap, version.top, version.right, version.bottom}, TextStyle::Caption,
             f.colors.tertiary);
  } else {
    hoverFill(version, ElementId::Version);
    drawText(f.c, s.facts.version, version, TextStyle::Caption, f.colors.secondaryText, kTextCenter);
    if (!s.facts.availableVersion.empty())
      fillRoundedRect(f.c, {version.right - f.px(10), version.top + f.px(8), version.right - f.px(4), version.top + f.px(14)},
                      3, f.colors.accent);
  }
  hoverFill(bar.settings, ElementId::Settings);
  drawIcon(f.c, Glyph::Settings, bar.settings, f.colors.text);
}

void paintDivider(PaintFrame& f) {
  const SidebarLayout& bar = f.l.sidebar;
  if (f.splitter <= 0) return;
  const float opacity = static_cast<float>(f.splitter);
  int32_t x = f.px(bar.width + 8);
  fillRect(f.c, {x, 0, x + std::max(1, f.px(1)), f.height}, f.colors.tertiary, opacity / 2);
  bool focused = f.s.focus.id == ElementId::Splitter && f.s.focusVisible && f.s.windowHasFocus;
  int32_t half = f.px(2), middle = f.height / 2;
  PixelRect grip{x - half + std::max(1, f.px(1)) / 2, middle - f.px(16), x - half + std::max(1, f.px(1)) / 2 + f.px(4),
                 middle + f.px(16)};
  fillRoundedRect(f.c, grip, 2, focused ? f.colors.accent : f.colors.tertiary, opacity);
}

}  // namespace

void paintSidebar(PaintFrame& f) {
  paintHeader(f);
  paintDrives(f);
  paintScanMode(f);
  paintFooter(f);
  if (f.s.review.open) coverForReview(f, {0, 0, f.l.sidebar.splitter.left, f.height});
  paintDivider(f);
}
