#include "app/bench_mode.h"
#include "app/failure_text.h"
#include "treemap/schemes.h"
#include "platform/console.h"
#include "app/json.h"
#include "base/path_text.h"
#include "platform/process.h"
#include "app/scan_problem.h"
#include "engine/extensions.h"
#include "engine/filter.h"
#include "engine/format.h"
#include "engine/scan_driver.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "engine/walk.h"
#include "platform/platform.h"
#include "treemap/treemap.h"
#include <vector>

// Sections: options · one run · report

namespace {
// The folder benchmarked when none is given: the system drive's root.
constexpr std::u16string_view kDefaultBenchPath = kPathSeparator == u'\\' ? u"C:\\" : u"/";
constexpr std::u16string_view kImplementation = u"mossbloom-cpp";
constexpr std::u16string_view kImplementationReadable = u"C++";

// --- Options ----------------------------------------------------------------------------
struct BenchOptions {
  std::u16string path;
  std::u16string types;
  std::u16string outPath;
  bool hasTypes = false;
  bool hasOut = false;
  bool mft = false;
  int runs = 3;
  int width = 1920;
  int height = 1080;
};

int clampRuns(int64_t n) { return n < 2 ? 1 : n >= 100 ? 100 : static_cast<int>(n); }
// Far beyond any screen, small enough that width × height × 4 stays well inside 64 bits.
int clampSide(int64_t n) { return n < 17 ? 16 : n > (1 << 20) ? (1 << 20) : static_cast<int>(n); }

// `--bench --runs 1` means the default path with one run, not a folder named "--runs".
bool isBenchOption(std::u16string_view a) {
  return a == u"--runs" || a == u"--width" || a == u"--height" || a == u"--types" || a == u"--out" ||
         a == u"--mft";
}

BenchOptions parseBenchOptions(std::span<const std::u16string> args) {
  BenchOptions options;
  for (size_t i = 1; i < args.size(); i++) {
    const std::u16string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == u"--mft") {
      options.mft = true;
    } else if (!hasValue) {
      continue;
    } else if (a == u"--bench") {
      if (!isBenchOption(args[i + 1])) options.path = args[++i];
    } else if (a == u"--types") {
      options.types = args[++i];
      options.hasTypes = true;
    } else if (a == u"--runs") {
      options.runs = clampRuns(leadingDecimal(args[++i]));
    } else if (a == u"--width") {
      options.width = clampSide(leadingDecimal(args[++i]));
    } else if (a == u"--height") {
      options.height = clampSide(leadingDecimal(args[++i]));
    } else if (a == u"--out") {
      options.outPath = args[++i];
      options.hasOut = true;
    }
  }
  if (options.path.empty()) options.path = kDefaultBenchPath;
  options.path = normalizeScanPath(options.path, BareDrive::Root);
  return options;
}

// --- One run ------------------------------------------------------------------------------
struct BenchFigures {
  std::vector<double> scanMs, aggMs, layoutMs, renderMs, extMs, filterMs;
  int64_t files = 0, dirs = 0, totalBytes = 0, leafItems = 0, treeBytes = 0;
  int64_t extTypes = 0, allocBytes = 0, matches = 0, weightsBytes = 0;
  MemoryCounters lastRun, lastRunAgain, final;
  bool lastRunTaken = false;
  std::u16string errorText;
};

int64_t allocatedBytes(const Tree& tree) {
  int64_t sum = 0;
  for (int32_t i = 0; i < tree.nodeCount; i++)
    if (!(tree.node(i).flags & kNodeDetached)) sum += onDiskSize(tree, i);
  return sum;
}

// False when the scan failed: the loop ends there.
// The map's pixels, committed up front: a map too large for this machine (more than
// half its memory, or more than the system will commit) is refused with a message
// instead of ending the process for lack of memory or being killed for it.
struct PixelBuffer {
  uint32_t* pixels = nullptr;
  uint64_t count = 0;
  uint64_t bytes = 0;
  bool allocate(uint64_t n) {
    bytes = roundUpToPage(n * sizeof(uint32_t));
    uint64_t installed = installedMemoryBytes();
    if (installed && bytes > installed / 2) return false;
    void* base = reserveAddressSpace(bytes);
    if (base && !commitMemory(base, bytes)) {
      releaseAddressSpace(base, bytes);
      base = nullptr;
    }
    pixels = static_cast<uint32_t*>(base);
    count = base ? n : 0;
    return base != nullptr;
  }
  ~PixelBuffer() {
    if (pixels) releaseAddressSpace(pixels, bytes);
  }
};

bool benchRun(const BenchOptions& options, bool lastRun, PixelBuffer& pixels,
              TreemapLayout& layout, BenchFigures& figures) {
  Tree tree;
  initTree(tree);
  ScanProgress progress;
  double t0 = nowMs();
  if (options.mft) {
    // Natively the fast scan reads an NTFS image ("disk.img" or "disk.img::/folder").
    MftFailure failure = MftFailure::None;
    if (!fastScan(tree, options.path, progress, failure)) {
      figures.errorText = mftFailureText(failure);
      if (figures.errorText.empty()) figures.errorText = u"The fast scan failed.";
      releaseTree(tree);
      return false;
    }
  } else {
    walkScan(tree, options.path, progress);
    figures.errorText = rootScanProblem(tree);
    if (!figures.errorText.empty()) {
      releaseTree(tree);
      return false;
    }
  }
  double t1 = nowMs();
  finalizeTree(tree);
  double t2 = nowMs();

  std::vector<float> weights;
  if (options.hasTypes) {
    CompiledFilter filter = compileFilter(u"", options.types, 0);
    figures.matches = applyFilter(tree, filter, false, weights, nullptr, false);
    figures.filterMs.push_back(nowMs() - t2);
    figures.weightsBytes = static_cast<int64_t>(4 * weights.capacity());
    t2 = nowMs();
  }
  layoutTreemap(layout, tree, tree.rootIndex, options.width, options.height,
                options.hasTypes ? weights.data() : nullptr, options.hasTypes ? weights.size() : 0, 0, false,
                kMapSchemes[0]);
  double t3 = nowMs();
  rasterTreemap(layout, pixels.pixels, pixels.count, options.width, options.height, 0xFFFFFF, 0, kMapSchemes[0]);
  double t4 = nowMs();
  buildExtensionTable(tree);
  double t5 = nowMs();

  figures.scanMs.push_back(t1 - t0);
  figures.aggMs.push_back(t2 - t1);
  figures.layoutMs.push_back(t3 - t2);
  figures.renderMs.push_back(t4 - t3);
  figures.extMs.push_back(t5 - t4);
  figures.files = tree.fileCount;
  figures.dirs = tree.folderCount;
  figures.totalBytes = tree.rootIndex >= 0 ? logicalSize(tree, tree.rootIndex) : 0;
  figures.leafItems = static_cast<int64_t>(layout.rectCount);
  figures.treeBytes = treeBytes(tree);
  figures.extTypes = static_cast<int64_t>(tree.extensions.entries.size());
  figures.allocBytes = allocatedBytes(tree);
  if (lastRun) {
    figures.lastRun = memoryCounters();
    figures.lastRunAgain = memoryCounters();
    figures.lastRunTaken = true;
  }
  releaseTree(tree);
  return true;
}

// --- Report -------------------------------------------------------------------------------
void appendMember(std::u16string& json, std::u16string_view name, int64_t value) {
  json += u",\"";
  json += name;
  json += u"\":";
  appendJsonInteger(json, value);
}

std::u16string benchJson(const BenchOptions& options, const BenchFigures& f, double startupMs) {
  ExecutableFile exe = executableFile();
  std::u16string json = u"{\"impl\":";
  appendJsonString(json, kImplementation);
  json += u",\"runtime\":\"native\",\"exe\":";
  appendJsonString(json, exe.reportedName);
  appendMember(json, u"exeBytes", exe.bytes);
  json += u",\"path\":";
  appendJsonString(json, options.path);
  json += options.mft ? u",\"mode\":\"mft\"" : u",\"mode\":\"walk\"";
  appendMember(json, u"runs", static_cast<int64_t>(f.scanMs.size()));
  appendMember(json, u"items", f.files + f.dirs);
  appendMember(json, u"files", f.files);
  appendMember(json, u"dirs", f.dirs);
  appendMember(json, u"totalBytes", f.totalBytes);
  appendMember(json, u"leafItems", f.leafItems);
  appendMember(json, u"treeBytes", f.treeBytes);
  json += u",\"startupMs\":";
  appendJsonFixed3(json, startupMs);
  appendJsonNumberArray(json, u"scanMs", f.scanMs);
  appendJsonNumberArray(json, u"aggMs", f.aggMs);
  appendJsonNumberArray(json, u"layoutMs", f.layoutMs);
  appendJsonNumberArray(json, u"renderMs", f.renderMs);
  appendJsonNumberArray(json, u"extMs", f.extMs);
  appendMember(json, u"extTypes", f.extTypes);
  appendMember(json, u"allocBytes", f.allocBytes);
  if (options.hasTypes) {
    json += u",\"types\":";
    appendJsonString(json, options.types);
    appendMember(json, u"matches", f.matches);
    appendJsonNumberArray(json, u"filterMs", f.filterMs);
    appendMember(json, u"weightsBytes", f.weightsBytes);
  }
  appendMember(json, u"workingSet", static_cast<int64_t>(f.lastRun.workingSet));
  appendMember(json, u"peakWorkingSet", static_cast<int64_t>(f.final.peakWorkingSet));
  appendMember(json, u"privateBytes", static_cast<int64_t>(f.lastRun.privateBytes));
  appendMember(json, u"peakPrivateBytes", static_cast<int64_t>(f.final.peakPrivateBytes));
  json += u",\"managedHeap\":-1,\"liveHeap\":-1";
  appendMember(json, u"workingSetAfterGc", static_cast<int64_t>(f.lastRunAgain.workingSet));
  appendMember(json, u"privateBytesAfterGc", static_cast<int64_t>(f.lastRunAgain.privateBytes));
  json += u",\"error\":";
  appendJsonString(json, f.errorText);
  json += u"}";
  return json;
}

std::u16string benchSummary(const BenchOptions& options, const BenchFigures& f, double startupMs) {
  std::u16string text = u"Mossbloom (";
  text += kImplementationReadable;
  text += u") bench: " + options.path + (options.mft ? u" (MFT)\r\n" : u" (walk)\r\n");
  if (!f.errorText.empty()) text += u"  error: " + f.errorText + u"\r\n";
  for (size_t n = 0; n < f.scanMs.size(); n++) {
    text += u"  run " + formatInteger(static_cast<int64_t>(n + 1), 1) + u": scan " + formatDuration(f.scanMs[n]) +
            u", aggregate " + formatDuration(f.aggMs[n]) + u", layout " + formatDuration(f.layoutMs[n]) +
            u", render " + formatDuration(f.renderMs[n]) + u"\r\n";
  }
  text += u"  items " + formatCount(f.files + f.dirs) + u", tree " + formatSize(f.treeBytes) + u", peak WS " +
          formatSize(static_cast<int64_t>(f.final.peakWorkingSet)) + u", startup " + formatDuration(startupMs) +
          u"\r\n";
  return text;
}
}  // namespace

int runBenchMode(std::span<const std::u16string> args) {
  BenchOptions options = parseBenchOptions(args);
  double startupMs = processUptimeMs();
  PixelBuffer pixels;
  TreemapLayout layout;
  BenchFigures figures;
  // A folder that cannot be listed is reported like a failing fast scan: no runs.
  if (!options.mft) figures.errorText = folderScanProblem(options.path);
  if (figures.errorText.empty() &&
      !pixels.allocate(static_cast<uint64_t>(options.width) * static_cast<uint64_t>(options.height))) {
    figures.errorText = u"A map of " + formatInteger(options.width, 1) + u" \u00D7 " + formatInteger(options.height, 1) +
                        u" pixels does not fit in memory.";
  }
  for (int n = 0; n < options.runs && figures.errorText.empty(); n++)
    if (!benchRun(options, n == options.runs - 1, pixels, layout, figures)) break;
  releaseTreemapLayout(layout);
  figures.final = memoryCounters();
  if (!figures.lastRunTaken) {
    // The loop ended early: the snapshots come from where it stopped.
    figures.lastRun = figures.final;
    figures.lastRunAgain = memoryCounters();
  }

  bool reportWritten = !options.hasOut || writeUtf8File(options.outPath, benchJson(options, figures, startupMs));
  // No settings are read: sizes follow the sizeUnits default, binary units.
  setDecimalSizes(false);
  writeConsole(benchSummary(options, figures, startupMs));
  // A report that was asked for and is missing is a failed benchmark.
  if (!reportWritten) writeConsole(u"Could not write the report to " + options.outPath + u".\r\n");
  return figures.errorText.empty() && reportWritten ? 0 : 1;
}
