#include "ui/view_rules.h"

#include "config/language.h"
#include <cmath>

bool fastScanEffective(const ViewState& s) {
  return s.settings.scanMode == ScanMode::Mft && s.facts.isAdministrator && !s.facts.policies.disableMftScan;
}

uint8_t fastScanStateOf(const ViewState& s) { return fastScanState(s.facts.policies, s.facts.isAdministrator); }

bool elevateCheckShown(const ViewState& s) { return s.facts.isAdministrator && !s.facts.policies.disableMftScan; }

bool elevateToggleAllowed(const ViewState& s) {
  return !s.facts.policies.hideRestartAsAdmin && !s.facts.policies.disableMftScan;
}

bool scanButtonEnabled(const ViewState& s) { return !s.scan.rootPath.empty() && !s.scan.stopping; }

std::u16string_view scanButtonLabel(const ViewState& s, bool accessible) {
  if (!s.scan.scanning) return text(Text::Rescan);
  if (s.scan.stopping) return text(accessible ? Text::Stopping_59 : Text::Stopping_58);
  // A fast scan keeps no partial result, so stopping it cancels.
  return text(s.scan.progress.mftScanInUse ? Text::Cancel : Text::Stop);
}

bool continueShown(const ViewState& s) {
  return hasTree(s) && !s.scan.scanning && s.shown.tree->pendingFolderCount > 0;
}

int32_t driveIndexForPath(const ViewState& s, std::u16string_view path) {
  if (path.empty()) return -1;
  char16_t letter = path[0] >= u'a' && path[0] <= u'z' ? static_cast<char16_t>(path[0] - 32) : path[0];
  int32_t found = -1;
  for (size_t i = 0; i < s.drives.size(); i++)
    if (s.drives[i].letter == letter) found = static_cast<int32_t>(i);
  return found;
}

bool fastScanTipApplies(const ViewState& s) {
  const ScanView& scan = s.scan;
  if (!scan.scanning || scan.progress.mftScanInUse || scan.continuing || scan.importing || scan.rootPath.empty())
    return false;
  if (scan.driveIndex >= 0 && scan.driveIndex < static_cast<int32_t>(s.drives.size()) &&
      !s.drives[scan.driveIndex].csvPath.empty())
    return false;
  if (fastScanEffective(s) || fastScanStateOf(s) >= 2) return false;
  std::u16string driveRoot{scan.rootPath[0], u':', u'\\'};
  if (!isPathAllowed(s.facts.policies.allowedPaths, driveRoot)) return false;
  int32_t drive = driveIndexForPath(s, scan.rootPath);
  return drive >= 0 && s.drives[drive].csvPath.empty() && s.drives[drive].fileSystem == u"NTFS";
}

bool fastScanTipShown(const ViewState& s) {
  return fastScanTipApplies(s) && s.nowMs - s.scan.startMs >= kFastScanTipDelayMs;
}

bool upEnabled(const ViewState& s) {
  return (hasTree(s) && s.shown.viewRoot >= 0 && s.shown.viewRoot != treeRoot(s)) || s.review.open;
}

// Not while a deletion runs: its end cuts entries out of the tree the export reads.
bool exportEnabled(const ViewState& s) {
  return hasTree(s) && !s.scan.scanning && !s.exporting.running && !s.review.deletionRunning;
}

bool anyFilterText(const ViewState& s) {
  return !s.filter.search.empty() || !s.filter.types.empty() || !s.filter.minimumSize.empty();
}

bool sizeModeFixedByPolicy(const ViewState& s) { return s.facts.policies.defaultSizeMode >= 0; }
bool updateChecksOff(const ViewState& s) { return s.facts.policies.updateCheck == 0; }
bool ignoredInReview(ElementId id) {
  switch (id) {
    case ElementId::Drive: case ElementId::StandardScan: case ElementId::FastScan: case ElementId::ClearFilters:
    case ElementId::About: case ElementId::ElevateAtStart: case ElementId::Address: case ElementId::ViewTab:
    case ElementId::SearchEdit: case ElementId::TypesEdit: case ElementId::SizeEdit: case ElementId::AddressEdit:
      return true;
    default:
      return false;
  }
}

bool noticeShown(const ViewState& s) { return s.notice.kind != NoticeKind::None; }

bool noticeActionShown(const ViewState& s) {
  return noticeShown(s) && (s.notice.action == NoticeAction::Update || s.notice.action == NoticeAction::TurnOn);
}

bool marksPillShown(const ViewState& s) {
  return !s.marks.set.nodes.empty() && !s.review.open && hasTree(s) && !s.scan.scanning;
}

bool markingAllowed(const ViewState& s) {
  return hasTree(s) && !s.facts.policies.disableDelete && !s.scan.scanning && !s.review.deletionRunning;
}

PerformancePanel panelState(const ViewState& s) {
  if (s.panelClosing) return PerformancePanel::Open;
  return s.settings.performancePanel;
}

bool isFolder(const Tree& tree, int32_t node) { return (tree.node(node).flags & kNodeFolder) != 0; }
bool hasChildren(const Tree& tree, int32_t node) { return tree.node(node).firstChild != kNoNode; }

int64_t shownSize(const ViewState& s, int32_t node) {
  if (!isValidNode(s, node)) return 0;
  const Tree& tree = *s.shown.tree;
  if (!s.shown.weightsInUse || !s.shown.weights || static_cast<uint64_t>(node) >= s.shown.weightCount)
    return logicalSize(tree, node);
  float weight = s.shown.weights[node];
  if (!(weight > 0)) return 0;
  // A weight is a float: exact for no folder of any size, so a passing file reports its
  // own bytes and a folder the rounded sum.
  if (!isFolder(tree, node))
    return s.settings.sizeMode == SizeMode::OnDisk ? onDiskSize(tree, node) : logicalSize(tree, node);
  return weight >= 9.2e18f ? INT64_MAX : static_cast<int64_t>(std::llround(static_cast<double>(weight)));
}
