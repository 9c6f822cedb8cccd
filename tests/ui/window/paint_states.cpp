// The paint test window's states: one ViewState per state the window can be in,
// built from the scanned fixture as the window procedure will build them.
#include "paint_window.h"

#include "engine/filter.h"
#include "engine/scan_driver.h"
#include "engine/format.h"
#include "platform/scan_path.h"

namespace {

constexpr int64_t kGB = 1000000000;

int32_t childNamed(const Tree& tree, int32_t parent, std::u16string_view name) {
  for (int32_t n = tree.node(parent).firstChild; n != kNoNode; n = tree.node(n).nextSibling)
    if (nodeName(tree, n) == name) return n;
  return -1;
}

Tree* scanFolder(const std::u16string& folder, double& scanMs, double& aggregateMs) {
  ScanHandOver handOver;
  auto* request = new ScanRequest{normalizeScanPath(folder), 1, false, &handOver};
  Thread thread = startScanThread(request);
  joinThread(thread);
  ScanResult result = takeScanResult(handOver);
  scanMs = result.scanMs;
  aggregateMs = result.aggregateMs;
  return result.tree;
}

int32_t driveOf(const ViewState& s, std::u16string_view path) {
  if (path.empty()) return -1;
  for (size_t i = 0; i < s.drives.size(); i++)
    if (s.drives[i].letter == (path[0] & ~0x20)) return static_cast<int32_t>(i);
  return -1;
}

void showTree(PaintWindow& w) {
  ViewState& s = w.state;
  const Tree& tree = *w.tree;
  s.shown.tree = w.tree;
  s.shown.path = tree.rootPath;
  s.shown.viewRoot = tree.rootIndex;
  s.shown.focusNode = tree.rootIndex;
  s.shown.source = TreeSource::Walk;
  s.shown.scanMs = w.scanMs;
  s.shown.aggregateMs = w.aggregateMs;
  s.shown.matchingCount = tree.fileCount;
  s.scan.rootPath = tree.rootPath;
  s.scan.driveIndex = driveOf(s, tree.rootPath);
}

}  // namespace

void seedState(PaintWindow& w) {
  ViewState& s = w.state;
  s.dpi = static_cast<int32_t>(programDpi());
  s.facts.version = u"1.0";
  s.facts.testInput = w.options.testInput;
  s.facts.animationsOn = !w.options.animationsOff;
  s.settings.sizeMode = SizeMode::Logical;
  s.settings.sizeUnits = SizeUnits::Decimal;
  setDecimalSizes(true);
  s.performance.startupMs = 182;
  s.performance.memory = memoryCounters();
  auto drive = [](char16_t letter, std::u16string label, std::u16string fileSystem, int64_t total, int64_t free) {
    DriveEntry d;
    d.letter = letter;
    d.label = std::move(label);
    d.fileSystem = std::move(fileSystem);
    d.totalBytes = total;
    d.freeBytes = free;
    return d;
  };
  // C: is 95 % full (its bar is red); the fixture lies on Z:, Wine's view of the Linux root.
  s.drives = {drive(u'C', u"Local Disk", u"NTFS", 476 * kGB, 24 * kGB),
              drive(u'D', u"Data", u"NTFS", 2000 * kGB, 1200 * kGB),
              drive(u'Z', u"Fixture", u"NTFS", 120 * kGB, 60 * kGB)};
  // The benchmark, and an idle window without a folder, hold the synthetic tree.
  if (w.options.benchRuns > 0 || (w.options.idle && w.options.folder.empty())) {
    double start = nowMs();
    w.tree = buildSyntheticTree(w.options.benchFiles);
    w.scanMs = nowMs() - start;
    w.aggregateMs = 0;
  } else if (!w.options.folder.empty()) {
    w.tree = scanFolder(w.options.folder, w.scanMs, w.aggregateMs);
    // Online-only files keep nothing on the disk. Wine reports a sparse file's
    // allocation as its size, so the fixture's "cloud" files are marked as Windows
    // reads them.
    int32_t cloud = w.tree && w.tree->rootIndex >= 0 ? childNamed(*w.tree, w.tree->rootIndex, u"cloud") : -1;
    if (cloud >= 0)
      for (int32_t n = w.tree->node(cloud).firstChild; n != kNoNode; n = w.tree->node(n).nextSibling)
        w.tree->node(n).flags |= kNodeOnDiskZero;
  }
}

void applyTestFilter(PaintWindow& w, std::u16string_view search) {
  ViewState& s = w.state;
  s.filter.search = std::u16string(search);
  CompiledFilter filter = compileFilter(s.filter.search, s.filter.types, 0);
  s.shown.filterActive = isFilterActive(filter);
  s.shown.weights = nullptr;
  s.shown.weightCount = 0;
  s.shown.weightsInUse = false;
  s.shown.matchingCount = hasTree(s) ? s.shown.tree->fileCount : 0;
  s.filterGeneration++;
  s.mapStale = true;
  const bool onDisk = s.settings.sizeMode == SizeMode::OnDisk;
  if (hasTree(s) && (s.shown.filterActive || onDisk)) {
    double start = nowMs();
    s.shown.matchingCount = applyFilter(*s.shown.tree, filter, onDisk, w.weights, nullptr, false);
    s.performance.filterMs = nowMs() - start;
    s.shown.weights = w.weights.data();
    s.shown.weightCount = w.weights.size();
    s.shown.weightsInUse = true;
  }
}

void enterState(PaintWindow& w, PaintState state) {
  ViewState& s = w.state;
  resetMainMap(w.paint, s);
  s.scan = {};
  s.scan.driveIndex = -1;
  s.shown = {};
  s.filter = {};
  s.exporting = {};
  s.notice = {};
  s.review = {};
  s.marks = {};
  s.hover = {};
  s.hoverCell = -1;
  s.focus = {};
  s.focusVisible = false;
  s.currentView = MainView::Map;
  s.settings.performancePanel = PerformancePanel::Folded;
  s.settings.sizeMode = SizeMode::Logical;
  s.performance.filterMs = -1;
  const bool withTree = state >= PaintState::Map && w.tree && w.tree->rootIndex >= 0;
  if (withTree) showTree(w);
  const std::u16string fixture = w.tree ? w.tree->rootPath : w.options.folder;
  switch (state) {
    case PaintState::NoDrive:
    case PaintState::Count:
      break;
    case PaintState::Scanning:
    case PaintState::ScanningMft:
      s.scan.scanning = true;
      s.scan.generation = 2;
      s.scan.rootPath = fixture;
      s.scan.driveIndex = driveOf(s, fixture);
      s.scan.startMs = nowMs() - 5000;
      if (state == PaintState::Scanning) {
        s.scan.progress = {12345, 0, false};
      } else {
        s.scan.progress = {400000, 1000000, true};
      }
      break;
    case PaintState::Map:
      break;
    case PaintState::Filtered: applyTestFilter(w, u"*.jpg"); break;
    case PaintState::NoMatch: applyTestFilter(w, u"*.nothing-has-this"); break;
    case PaintState::EmptyFolder:
      if (withTree) s.shown.viewRoot = childNamed(*w.tree, w.tree->rootIndex, u"empty");
      break;
    case PaintState::Cloud:
      s.settings.sizeMode = SizeMode::OnDisk;
      if (withTree) s.shown.viewRoot = childNamed(*w.tree, w.tree->rootIndex, u"cloud");
      applyTestFilter(w, u"");
      break;
    case PaintState::Exporting:
      s.exporting = {true, u"fixture.csv", 42};
      break;
    case PaintState::NoticeAndPanel:
      s.notice = {NoticeKind::Information, u"Mossbloom 1.1 is available.", u"", NoticeAction::Update, u"1.1"};
      s.settings.performancePanel = PerformancePanel::Open;
      s.performance.layoutMs = 4.2;
      s.performance.renderMs = 7.9;
      break;
    case PaintState::Review:
      s.review.open = true;
      s.review.root = withTree ? w.tree->rootIndex : -1;
      // Two entries below the root, as a person marks them before the review.
      s.marks.set = {};
      for (int32_t n = 0; withTree && n < w.tree->nodeCount && s.marks.set.nodes.size() < 2; n++) {
        if (n == w.tree->rootIndex) continue;
        s.marks.set.nodes.push_back(n);
        s.marks.set.flags.resize(static_cast<size_t>(n) + 1, 0);
        s.marks.set.flags[static_cast<size_t>(n)] = 1;
      }
      s.marks.itemCount = 2;
      s.marks.bytes = 1500000;
      break;
    case PaintState::PanelHidden:
      s.settings.performancePanel = PerformancePanel::Hidden;
      break;
  }
  if (s.shown.viewRoot < 0 && withTree) s.shown.viewRoot = w.tree->rootIndex;
  s.mapStale = true;
}
