// The command table of the main window's elements.
#include "ui/commands.h"

#include "config/language.h"
#include "config/settings.h"
#include "config/text_format.h"
#include "platform/text.h"
#include "ui/breadcrumb.h"
#include "ui/navigation.h"
#include "ui/review.h"
#include "ui/scan_lifecycle.h"
#include "ui/sidebar.h"
#include "ui/suggestions.h"
#include "ui/view_rules.h"

namespace {

void saveSetting(Outcome& out, std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  Effect& e = out.add(EffectKind::SaveSetting);
  e.section = section;
  e.key = key;
  e.text = std::u16string(value);
}

bool isBlankText(std::u16string_view t) { return t.find_first_not_of(u" \t") == std::u16string_view::npos; }

void setScanMode(ViewState& s, ScanMode mode, Outcome& out) {
  s.settings.scanMode = mode;
  saveSetting(out, kSettingsSection, kScanModeKey, mode == ScanMode::Mft ? u"Mft" : u"Walk");
  out.relayout = true;
}

// A rescan of the shown root: an imported file is read again rather than its drive scanned.
void rescan(ViewState& s, Outcome& out) {
  int32_t index = s.scan.driveIndex;
  if (index >= 0 && index < static_cast<int32_t>(s.drives.size()) && !s.drives[index].csvPath.empty() &&
      s.scan.rootPath == std::u16string{s.drives[index].letter, u':', u'\\'}) {
    startScan(s, index, {}, out);
    return;
  }
  startScan(s, index, s.scan.rootPath, out);
}

void driveCommand(ViewState& s, int32_t index, Outcome& out) {
  if (index < 0 || index >= static_cast<int32_t>(s.drives.size())) return;
  const bool import = !s.drives[index].csvPath.empty();
  std::u16string target = driveTarget(s, index);
  if (target.empty()) {
    showNotice(s, NoticeKind::Managed, text(Text::ManagedByYourOrganizationScanningThis), out);
    return;
  }
  bool current = index == s.scan.driveIndex && (hasTree(s) || s.scan.scanning);
  if (current && equalNamesIgnoringCase(s.scan.rootPath, target)) {
    Effect& menu = out.add(EffectKind::ShowDriveMenu);
    menu.number = index;
    menu.flag = continueShown(s);
    return;
  }
  // A limited drive scans its allowed folder; a whole drive and an import go by index.
  bool wholeDrive = target.size() == 3 && target[1] == u':';
  startScan(s, index, import || wholeDrive ? std::u16string_view() : std::u16string_view(target), out);
}

void sizeModeCommand(ViewState& s, SizeMode mode, Outcome& out) {
  if (mode == s.settings.sizeMode) return;
  if (sizeModeFixedByPolicy(s)) {
    showNotice(s, NoticeKind::Managed, text(Text::ManagedByYourOrganizationTheSize), out);
    return;
  }
  s.settings.sizeMode = mode;
  saveSetting(out, kSettingsSection, kSizeModeKey, mode == SizeMode::Logical ? u"Logical" : u"OnDisk");
  out.add(EffectKind::ApplyFilters);
}

void unitsCommand(ViewState& s, SizeUnits units, Outcome& out) {
  if (units == s.settings.sizeUnits) return;
  s.settings.sizeUnits = units;
  saveSetting(out, kSettingsSection, kSizeUnitsKey, units == SizeUnits::Decimal ? u"GB" : u"GiB");
  out.add(EffectKind::SetDecimalSizes).flag = units == SizeUnits::Decimal;
  // The minimum size in bytes depends on the units.
  if (!isBlankText(s.filter.minimumSize)) out.add(EffectKind::ApplyFilters);
  out.relayout = true;
}

void fastScanCommand(ViewState& s, Outcome& out) {
  switch (fastScanStateOf(s)) {
    case kFastScanAdmin: setScanMode(s, ScanMode::Mft, out); break;
    case kFastScanRestart: out.add(EffectKind::RelaunchAsAdministrator); break;
    case kFastScanRestartHidden:
      showNotice(s, NoticeKind::Managed, text(Text::ManagedByYourOrganizationRestartingAs), out);
      break;
    default: showNotice(s, NoticeKind::Managed, text(Text::ManagedByYourOrganizationTheFast), out); break;
  }
}

void elevateCommand(ViewState& s, Outcome& out) {
  if (!elevateToggleAllowed(s)) {
    showNotice(s, NoticeKind::Managed, text(Text::ManagedByYourOrganizationStartingAs), out);
    return;
  }
  s.settings.elevateAtStart = !s.settings.elevateAtStart;
  saveSetting(out, kStartSection, kElevateKey, s.settings.elevateAtStart ? u"true" : u"false");
}

void useFastScanCommand(ViewState& s, Outcome& out) {
  if (!fastScanTipShown(s)) return;
  if (fastScanStateOf(s) == kFastScanRestart) {
    out.add(EffectKind::RelaunchAsAdministrator);
    return;
  }
  setScanMode(s, ScanMode::Mft, out);
  rescan(s, out);
}

void segmentCommand(ViewState& s, int32_t index, Outcome& out) {
  std::vector<BreadcrumbSegment> segments = breadcrumbSegments(s);
  if (index < 0 || index + 1 >= static_cast<int32_t>(segments.size())) return;
  const BreadcrumbSegment& segment = segments[index];
  if (!segment.path.empty()) {
    startScan(s, driveIndexForPath(s, segment.path), segment.path, out);
  } else if (isValidNode(s, segment.node)) {
    s.shown.focusNode = s.shown.viewRoot;
    zoomTo(s, segment.node, false, out);
  }
}

void showAddress(ViewState& s, Outcome& out) {
  if (s.addressShown || s.scan.scanning || s.review.open) return;
  s.addressShown = true;
  s.addressInvalid = false;
  Effect& show = out.add(EffectKind::ShowAddressEdit);
  show.text = hasTree(s) && isValidNode(s, s.shown.viewRoot) ? nodePath(*s.shown.tree, s.shown.viewRoot) : s.scan.rootPath;
}

void panelCommand(ViewState& s, Outcome& out) {
  if (s.settings.performancePanel == PerformancePanel::Hidden || s.panelClosing) return;
  if (s.settings.performancePanel == PerformancePanel::Folded) {
    s.settings.performancePanel = PerformancePanel::Open;
    saveSetting(out, kSettingsSection, kPerformancePanelKey, u"open");
    out.relayout = true;
    if (s.facts.animationsOn) out.add(EffectKind::StartPanelAnimation).flag = true;
    return;
  }
  saveSetting(out, kSettingsSection, kPerformancePanelKey, u"closed");
  if (s.facts.animationsOn) {
    s.panelClosing = true;
    out.add(EffectKind::StartPanelAnimation).flag = false;
  } else {
    finishPanelFold(s, out);
  }
}

void noticeActionCommand(ViewState& s, Outcome& out) {
  if (!noticeActionShown(s)) return;
  if (s.notice.action == NoticeAction::Update) {
    out.add(EffectKind::StartUpdateDownload);
  } else {
    s.settings.autoUpdateCheck = 1;
    saveSetting(out, kSettingsSection, kAutoUpdateCheckKey, u"1");
    showNotice(s, NoticeKind::Success, text(Text::MossbloomNowChecksForUpdatesOnce), out);
  }
}

void closeNotice(ViewState& s, Outcome& out) {
  if (!noticeShown(s)) return;
  if (s.notice.action == NoticeAction::TurnOn) {
    s.settings.autoUpdateCheck = 0;
    saveSetting(out, kSettingsSection, kAutoUpdateCheckKey, u"0");
  }
  std::u16string version = s.notice.updateVersion;
  if (version.empty() && s.notice.action == NoticeAction::Update) version = s.notice.actionArgument;
  if (!version.empty()) saveSetting(out, kSettingsSection, kUpdateDismissedKey, std::u16string_view(version).substr(0, 24));
  s.notice = {};
  out.relayout = true;
}

void mapCommand(ViewState& s, Outcome& out) {
  int32_t cell = takeFocusedCell(s);
  if (cell < 0) return;
  int32_t target = zoomTarget(s, cell);
  if (target >= 0) zoomTo(s, target, true, out);
  else out.add(EffectKind::ShowInExplorer).node = s.treemap->rects()[cell].node;
}

}  // namespace

std::u16string driveTarget(const ViewState& s, int32_t driveIndex) {
  if (driveIndex < 0 || driveIndex >= static_cast<int32_t>(s.drives.size())) return {};
  const DriveEntry& drive = s.drives[driveIndex];
  std::u16string root{drive.letter, u':', u'\\'};
  if (!drive.csvPath.empty()) return root;   // an import reads a file, not the drive
  DriveStatus status = driveStatus(s.facts.policies, drive.letter);
  if (status.status == kDriveBlocked) return {};
  return status.status == kDriveLimited ? status.folder : root;
}

Outcome invokeElement(ViewState& s, const WindowLayout& layout, ElementRef element) {
  Outcome out;
  if (s.review.open && ignoredInReview(element.id)) return out;
  switch (element.id) {
    case ElementId::Drive: driveCommand(s, element.sub, out); break;
    case ElementId::StandardScan: setScanMode(s, ScanMode::Walk, out); break;
    case ElementId::FastScan: fastScanCommand(s, out); break;
    case ElementId::Up: goUp(s, true, out); break;
    case ElementId::ScanButton:
      if (s.scan.scanning) requestStop(s, out);
      else if (!s.scan.rootPath.empty()) rescan(s, out);
      break;
    case ElementId::Export:
      if (exportEnabled(s)) out.add(EffectKind::OpenExportDialog);
      break;
    case ElementId::LogicalSizes: sizeModeCommand(s, SizeMode::Logical, out); break;
    case ElementId::SizesOnDisk: sizeModeCommand(s, SizeMode::OnDisk, out); break;
    case ElementId::DecimalUnits: unitsCommand(s, SizeUnits::Decimal, out); break;
    case ElementId::BinaryUnits: unitsCommand(s, SizeUnits::Binary, out); break;
    case ElementId::ClearFilters:
      s.filter = {};
      out.add(EffectKind::ClearFilterFields);
      out.add(EffectKind::ApplyFilters);
      break;
    case ElementId::About: out.add(EffectKind::ShowAbout); break;
    case ElementId::Settings: out.add(EffectKind::OpenSettings); break;
    case ElementId::Version:
      if (!updateChecksOff(s)) out.add(EffectKind::CheckForUpdates);
      break;
    case ElementId::ElevateAtStart: elevateCommand(s, out); break;
    case ElementId::UseFastScan: useFastScanCommand(s, out); break;
    case ElementId::BreadcrumbSegment: segmentCommand(s, element.sub, out); break;
    case ElementId::Address: showAddress(s, out); break;
    case ElementId::PerformanceHeader: panelCommand(s, out); break;
    case ElementId::Continue: continueScan(s, out); break;
    case ElementId::NoticeAction: noticeActionCommand(s, out); break;
    case ElementId::CloseNotice: closeNotice(s, out); break;
    case ElementId::ViewTab: switchView(s, element.sub, out); break;
    case ElementId::MarksPill: openReview(s, out); break;
    case ElementId::ReviewMain: reviewMainButton(s, out); break;
    case ElementId::ReviewSecond: reviewSecondButton(s, out); break;
    case ElementId::ReviewBack: leaveReview(s, out); break;
    case ElementId::Map: mapCommand(s, out); break;
    case ElementId::Splitter: resetSidebarWidth(s, layout.sidebar, out); break;
    case ElementId::TypesEdit:
    case ElementId::AddressEdit:
      // A sub-index is an item of the field's suggestion popup (its accessible default action).
      if (element.sub >= 0 && s.suggestions.owner == element.id) acceptSuggestion(s, element.sub, out);
      break;
    default: break;   // the list, the edits and read-only texts only take the focus
  }
  out.repaint = true;
  return out;
}

Outcome driveMenuChosen(ViewState& s, int32_t driveIndex, int32_t choice) {
  Outcome out;
  std::u16string target = driveTarget(s, driveIndex);
  if (target.empty() || driveIndex != s.scan.driveIndex || !equalNamesIgnoringCase(s.scan.rootPath, target)) return out;
  if (choice == kDriveMenuContinue) {
    continueScan(s, out);
  } else if (choice == kDriveMenuRescan) {
    bool wholeDrive = !s.drives[driveIndex].csvPath.empty() || (target.size() == 3 && target[1] == u':');
    startScan(s, driveIndex, wholeDrive ? std::u16string_view() : std::u16string_view(target), out);
  }
  return out;
}

void finishPanelFold(ViewState& s, Outcome& out) {
  s.panelClosing = false;
  if (s.settings.performancePanel == PerformancePanel::Open) s.settings.performancePanel = PerformancePanel::Folded;
  out.relayout = true;
  out.repaint = true;
}
