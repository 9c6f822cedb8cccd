#include "app/export_mode.h"
#include "platform/console.h"
#include "app/failure_text.h"
#include "app/scan_problem.h"
#include "app/start_options.h"
#include "config/policy.h"
#include "engine/csv.h"
#include "engine/format.h"
#include "engine/scan_driver.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "platform/text.h"
#include "platform/listing.h"
#include "platform/platform.h"

namespace {
struct ExportOptions {
  std::u16string folder;
  std::u16string csvPath;
  bool mft = false;
};

ExportOptions parseExportOptions(std::span<const std::u16string> args) {
  ExportOptions options;
  for (size_t i = 1; i < args.size(); i++) {
    // The two values stay in the walk: "--export --mft out.csv" takes --mft as
    // the folder and still turns the fast scan on.
    if (args[i] == u"--export" && i + 2 < args.size()) {
      options.folder = args[i + 1];
      options.csvPath = args[i + 2];
    }
    if (args[i] == u"--mft") options.mft = true;
  }
  return options;
}

// Natively the command line also reads an export back and writes the imported tree
// out again; the Windows program opens CSV files in its window instead.
#if defined(_WIN32)
constexpr bool kExportReadsCsv = false;
#else
constexpr bool kExportReadsCsv = true;
#endif

bool isCsvFile(std::u16string_view path) {
  if (path.size() < 4 || !equalIgnoringCase(path.substr(path.size() - 4), u".csv")) return false;
  int64_t filetime = 0;
  uint32_t attributes = 0;
  return readPathFacts(path, filetime, attributes) && !(attributes & kAttributeDirectory);
}

// Writes the finished tree and prints the one line; `source` names what built it.
int writeAndReport(Tree& tree, const ExportOptions& options, const char16_t* source, double sourceStart) {
  double exportStart = nowMs();
  ScanProgress exportProgress;
  ExportFailure failure;
  bool written = exportCsv(tree, options.csvPath, exportProgress, failure);
  double exportEnd = nowMs();
  releaseTree(tree);
  if (!written) {
    writeConsole(u"Export failed: " + exportFailureText(failure) + u"\r\n");
    return 1;
  }
  int64_t rows = exportProgress.total.load();
  writeConsole(u"Exported " + formatCount(rows) + (rows == 1 ? u" row to " : u" rows to ") + options.csvPath +
               u" (" + source + u" " + formatDuration(exportStart - sourceStart) + u", export " +
               formatDuration(exportEnd - exportStart) + u")\r\n");
  return 0;
}

int reexportCsv(const ExportOptions& options) {
  double importStart = nowMs();
  Tree tree;
  initTree(tree);
  ScanProgress progress;
  CsvImportResult imported = importCsvFile(tree, options.folder, progress);
  if (!imported.ok) {
    releaseTree(tree);
    if (imported.failure.reason == ImportFailureReason::OutOfMemory)
      writeConsole(u"Not enough memory to import " + options.folder + u".\r\n");
    else
      writeConsole(u"Import of " + options.folder + u" failed: " + importFailureText(imported.failure) + u"\r\n");
    return 1;
  }
  return writeAndReport(tree, options, u"import", importStart);
}
}  // namespace

int runExportMode(std::span<const std::u16string> args, const ProgramSettings& settings) {
  ExportOptions options = parseExportOptions(args);
  // A forgotten CSV path must not let the next option become the file's name.
  if (options.folder.empty() || options.csvPath.empty() || isOptionName(options.csvPath)) {
    writeConsole(u"Usage: mossbloom --export <folder or drive> <file.csv> [--mft]\r\n");
    return 1;
  }
  if (kExportReadsCsv && isCsvFile(options.folder)) return reexportCsv(options);
  std::u16string folder = normalizeScanPath(options.folder, BareDrive::Root);
  if (!isPathAllowed(settings.policies.allowedPaths, folder)) {
    writeConsole(u"Managed by your organization: scanning " + folder + u" is not allowed.\r\n");
    return 2;
  }
  // Checked before anything is written: a folder that cannot be listed gives no
  // export, and a CSV already at the path stays as it was.
  bool fastScanFirst = options.mft && !settings.policies.disableMftScan && isAdministrator();
  std::u16string problem = folderScanProblem(folder);
  if (!problem.empty() && !(fastScanFirst && kFastScanReadsImages)) {
    writeConsole(problem + u"\r\n");
    return 1;
  }

  double scanStart = nowMs();
  Tree tree;
  initTree(tree);
  ScanProgress scanProgress;
  MftFailure fastScanFailure = MftFailure::None;   // the walk takes over silently, as in the window's export
  bool scanned = false;
  uint32_t exitCode = startEngineThread([&] {
    scanned = scanForExport(tree, folder, options.mft, settings.policies.disableMftScan != 0, scanProgress,
                            fastScanFailure);
  });
  if (exitCode == kExitOutOfMemory) {
    releaseTree(tree);
    writeConsole(u"Not enough memory to scan " + folder + u".\r\n");
    return 1;
  }
  if (!scanned) problem = u"Fast scan of " + folder + u" failed: " + std::u16string(mftFailureText(fastScanFailure));
  else problem = rootScanProblem(tree);
  if (!problem.empty()) {
    releaseTree(tree);
    writeConsole(problem + u"\r\n");
    return 1;
  }

  return writeAndReport(tree, options, u"scan", scanStart);
}
