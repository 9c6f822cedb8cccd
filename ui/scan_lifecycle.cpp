#include "ui/scan_lifecycle.h"

#include "config/language.h"
#include "config/text_format.h"
#include "ui/review.h"
#include "ui/view_rules.h"

namespace {

std::u16string driveRootOf(char16_t letter) { return {letter, u':', u'\\'}; }

// What every start of scan work does: the map and the weights belong to the old tree.
void beginScanWork(ViewState& s, Outcome& out) {
  out.add(EffectKind::ResetMap);
  s.layoutGeneration++;
  s.filterGeneration++;
  s.shown.weights = nullptr;
  s.shown.weightCount = 0;
  s.shown.weightsInUse = false;
  s.hoverCell = -1;
  s.scan.stopping = false;
  s.scan.scanning = true;
  s.scan.progress = {};
  s.scan.startMs = s.nowMs;
  s.scan.generation++;
  // The toolbar, the path title and the summary line change with it.
  out.relayout = true;
  out.repaint = true;
}

// Cancels what cannot run beside a new scan and lets go of the shown tree's extras.
// A tree that lives on (a continued scan) first loses what a cancelled deletion removed.
void stopOtherWork(ViewState& s, Tree* keptTree, Outcome& out) {
  if (s.exporting.running) {
    out.add(EffectKind::CancelExport);
    s.exporting = {};
  }
  if (s.review.deletionRunning) {
    out.add(EffectKind::CancelDeletion).tree = keptTree;
    s.review.deletionRunning = false;
  }
  closeReviewForScan(s, out);
  s.review = {};
}

void dropShownTree(ViewState& s, Outcome& out) {
  if (s.shown.tree) out.add(EffectKind::FreeTree).tree = s.shown.tree;
  s.shown = {};
}

}  // namespace

void showNotice(ViewState& s, NoticeKind kind, std::u16string_view text, Outcome& out, NoticeAction action,
                std::u16string_view actionArgument) {
  s.notice = {kind, std::u16string(text), std::u16string(actionArgument), action, {}};
  out.add(EffectKind::NoticeShown).number = static_cast<int32_t>(kind);
  out.relayout = true;
  out.repaint = true;
}

void startScan(ViewState& s, int32_t driveIndex, std::u16string_view path, Outcome& out) {
  std::u16string target(path), csvPath;
  if (target.empty()) {
    if (driveIndex < 0 || driveIndex >= static_cast<int32_t>(s.drives.size())) return;
    const DriveEntry& drive = s.drives[driveIndex];
    target = driveRootOf(drive.letter);
    csvPath = drive.csvPath;
  }
  const bool import = !csvPath.empty();
  if (!import && !isPathAllowed(s.facts.policies.allowedPaths, target)) {
    showNotice(s, NoticeKind::Managed, formatText(text(Text::ManagedByYourOrganizationScanningIs), {target}), out);
    return;
  }
  stopOtherWork(s, nullptr, out);
  if (s.scan.scanning) {
    out.add(EffectKind::CancelScan);
    out.add(EffectKind::StopScanTimer);
    s.scan.scanning = s.scan.stopping = false;
  }
  s.scan.driveIndex = driveIndex;
  s.scan.rootPath = target;
  Effect& restart = out.add(EffectKind::RegisterRestart);
  restart.text = target;
  restart.number = driveIndex;
  dropShownTree(s, out);
  s.marks = {};
  s.review = {};
  s.scan.restoreViewRoot = -1;
  s.scan.continuing = false;
  s.scan.importing = import;
  beginScanWork(s, out);
  // The fast scan is tried only where it may run: chosen, as administrator, not off by
  // policy, on a drive whose root the policy allows.
  const bool fast = fastScanEffective(s) && isPathAllowed(s.facts.policies.allowedPaths, driveRootOf(target[0]));
  s.scan.progress.mftScanInUse = fast && !import;
  if (import) {
    Effect& start = out.add(EffectKind::StartImportThread);
    start.text = csvPath;
    start.number = static_cast<int32_t>(s.scan.generation);
  } else {
    Effect& start = out.add(EffectKind::StartScanThread);
    start.text = target;
    start.number = static_cast<int32_t>(s.scan.generation);
    start.flag = fast;
  }
}

void requestStop(ViewState& s, Outcome& out) {
  if (!s.scan.scanning || s.scan.stopping) return;
  out.add(EffectKind::RequestStop);
  s.scan.stopping = true;
  out.repaint = true;
}

void continueScan(ViewState& s, Outcome& out) {
  if (s.scan.scanning || !hasTree(s) || s.shown.tree->pendingFolderCount <= 0) return;
  stopOtherWork(s, s.shown.tree, out);
  s.scan.restoreViewRoot = s.shown.viewRoot;
  Tree* tree = s.shown.tree;
  std::u16string path = s.shown.path;
  MftFailure fallback = s.shown.fallback;
  s.shown = {};   // the engine owns the tree until it comes back
  s.scan.continuing = true;
  s.scan.importing = false;
  beginScanWork(s, out);
  s.scan.progress.done = tree->fileCount + tree->folderCount;
  Effect& start = out.add(EffectKind::StartContinueThread);
  start.tree = tree;
  start.text = path;
  start.fallback = fallback;
  start.number = static_cast<int32_t>(s.scan.generation);
}

bool acceptsFinishedScan(const ViewState& s, uint32_t generation) {
  return s.scan.scanning && generation == s.scan.generation;
}

void takeOverScan(ViewState& s, FinishedScan& finished, Outcome& out) {
  if (!acceptsFinishedScan(s, finished.generation)) return;
  out.add(EffectKind::StopScanTimer);
  const bool continued = s.scan.continuing, imported = s.scan.importing;
  s.scan.scanning = s.scan.stopping = s.scan.continuing = s.scan.importing = false;
  if (finished.result.outOfMemory)
    showNotice(s, NoticeKind::Error, formatText(text(Text::NotEnoughMemoryToScanThe), {s.scan.rootPath}), out);
  Tree* tree = finished.result.tree;
  finished.result.tree = nullptr;
  if (tree && tree->rootIndex >= 0) {
    dropShownTree(s, out);
    s.shown.tree = tree;
    s.shown.path = s.scan.rootPath;
    s.shown.scanMs = finished.result.scanMs;
    s.shown.aggregateMs = finished.result.aggregateMs;
    s.shown.source = imported ? TreeSource::Csv : (finished.result.method == ScanMethod::Mft ? TreeSource::Mft : TreeSource::Walk);
    if (imported && s.scan.driveIndex >= 0 && s.scan.driveIndex < static_cast<int32_t>(s.drives.size()))
      s.shown.csvPath = s.drives[s.scan.driveIndex].csvPath;
    s.shown.fallback = finished.result.fallback;
    int32_t restore = s.scan.restoreViewRoot;
    bool restored = restore >= 0 && restore < tree->nodeCount && (tree->node(restore).flags & kNodeFolder);
    s.shown.viewRoot = restored ? restore : tree->rootIndex;
    s.shown.focusNode = continued && restored ? restore : -1;
    s.scan.restoreViewRoot = -1;
    s.mapStale = true;
    out.add(EffectKind::ApplyFilters);
  } else if (tree) {
    out.add(EffectKind::FreeTree).tree = tree;
  }
  out.add(EffectKind::ReadMemoryCounters);
  out.relayout = true;
  out.repaint = true;
}
