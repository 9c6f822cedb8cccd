#include "engine/scan_driver.h"
#include "engine/csv.h"
#include "engine/extensions.h"
#include "platform/scan_path.h"
#include "engine/walk.h"

namespace {

Tree* newTree() {
  Tree* tree = new Tree;
  initTree(*tree);
  return tree;
}

// What the tree still needs before the requester takes it: an imported tree comes
// finalized, so it only lacks the extension table.
enum class Aggregation : uint8_t { Full, ExtensionTableOnly };

// `result` holds the tree (or none), the out-of-memory mark, the method and the
// fallback; the durations are measured here, from `scanStart` on.
void deliver(ScanHandOver& handOver, ScanResult result, double scanStart, Aggregation aggregation,
             uint32_t generation) {
  double scanEnd = nowMs();
  Tree* tree = result.tree;
  if (result.outOfMemory) {
    freeTree(tree);
    tree = nullptr;
  } else if (tree) {
    auto aggregate = [tree, aggregation] {
      if (aggregation == Aggregation::ExtensionTableOnly) buildExtensionTable(*tree);
      else aggregateTree(*tree);
    };
    if (startEngineThread(aggregate) == kExitOutOfMemory) {
      freeTree(tree);
      tree = nullptr;
      result.outOfMemory = true;
    }
  }
  result.tree = tree;
  result.scanMs = scanEnd - scanStart;
  result.aggregateMs = nowMs() - scanEnd;
  // A result the requester never took over is superseded by this one.
  freeTree(handOver.result.tree);
  handOver.result = result;
  if (handOver.receiver) handOver.receiver->scanDone(generation);
}

}  // namespace

void freeTree(Tree* tree) {
  if (!tree) return;
  releaseTree(*tree);
  delete tree;
}

ScanResult takeScanResult(ScanHandOver& handOver) {
  ScanResult result = handOver.result;
  handOver.result.tree = nullptr;
  return result;
}

void runScanThread(ScanRequest* request) {
  ScanHandOver& handOver = *request->handOver;
  ScanResult result;
  result.tree = newTree();
  double scanStart = nowMs();
  bool cancelled = false;

  uint32_t code = startEngineThread([&] {
    if (request->useFastScan) {
      MftFailure failure = MftFailure::None;
      if (fastScan(*result.tree, request->rootPath, handOver.progress, failure)) {
        result.method = ScanMethod::Mft;
        return;
      }
      if (handOver.progress.cancel.load()) {
        cancelled = true;
        return;
      }
      result.fallback = failure;
      handOver.mftScanInUse.exchange(0);
      // The walk starts from a clean tree, and the scan time is the walk's alone.
      releaseTree(*result.tree);
      scanStart = nowMs();
    }
    walkScan(*result.tree, request->rootPath, handOver.progress);
  });

  if (cancelled) {
    freeTree(result.tree);
    result.tree = nullptr;
  }
  result.outOfMemory = code == kExitOutOfMemory;
  deliver(handOver, result, scanStart, Aggregation::Full, request->generation);
  delete request;
}

void runContinueThread(ContinueRequest* request) {
  double start = nowMs();
  ScanResult result;
  result.tree = request->tree;
  result.fallback = request->fallback;
  uint32_t code = startEngineThread([&] { continueWalk(*result.tree, request->handOver->progress); });
  result.outOfMemory = code == kExitOutOfMemory;
  deliver(*request->handOver, result, start, Aggregation::Full, request->generation);
  delete request;
}

void runImportThread(ImportRequest* request) {
  ScanHandOver& handOver = *request->handOver;
  ScanResult result;
  result.tree = newTree();
  double start = nowMs();
  CsvImportResult imported = importCsvFile(*result.tree, request->csvPath, handOver.progress);
  result.outOfMemory = imported.failure.reason == ImportFailureReason::OutOfMemory;
  if (!imported.ok && !result.outOfMemory) {
    freeTree(result.tree);
    result.tree = nullptr;
  }
  deliver(handOver, result, start, Aggregation::ExtensionTableOnly, request->generation);
  delete request;
}

Thread startScanThread(ScanRequest* request) {
  return startClosureThread(0, [request]() -> uint32_t {
    runScanThread(request);
    return 0;
  });
}

Thread startContinueThread(ContinueRequest* request) {
  return startClosureThread(0, [request]() -> uint32_t {
    runContinueThread(request);
    return 0;
  });
}

Thread startImportThread(ImportRequest* request) {
  return startClosureThread(0, [request]() -> uint32_t {
    runImportThread(request);
    return 0;
  });
}

bool scanForExport(Tree& tree, std::u16string_view rootPath, bool useFastScan, bool fastScanDisabled,
                   ScanProgress& progress, MftFailure& failure) {
  bool fastScanFailed = false;
  if (useFastScan && !fastScanDisabled && isAdministrator()) {
    if (fastScan(tree, rootPath, progress, failure)) {
      finalizeTree(tree);
      return true;
    }
    fastScanFailed = true;
  }
  releaseTree(tree);
  // Walking an image would only list the image file itself.
  if (fastScanFailed && !isExistingFolder(rootPath)) return false;
  walkScan(tree, rootPath, progress);
  finalizeTree(tree);
  return true;
}
