#include "engine/scan_driver.h"
#include "engine/csv.h"
#include "engine/extensions.h"
#include "platform/scan_path.h"
#include "engine/walk.h"

namespace {

std::u16string fallbackNotice(std::u16string_view reason) {
  return u"MFT unavailable (" + std::u16string(reason) + u"), used directory walk";
}

Tree* newTree() {
  Tree* tree = new Tree;
  initTree(*tree);
  return tree;
}

// `finalized`: the body finalized the tree itself, so aggregating only builds the
// extension table.
void deliver(ScanHandOver& handOver, Tree* tree, bool outOfMemory, double scanStart, ScanMethod method,
             std::u16string statusText, uint32_t generation, bool finalized = false) {
  double scanEnd = nowMs();
  if (outOfMemory) {
    freeTree(tree);
    tree = nullptr;
  } else if (tree) {
    auto aggregate = [tree, finalized] {
      if (finalized) buildExtensionTable(*tree);
      else aggregateTree(*tree);
    };
    if (startEngineThread(aggregate) == kExitOutOfMemory) {
      freeTree(tree);
      tree = nullptr;
      outOfMemory = true;
    }
  }
  double aggregateEnd = nowMs();

  handOver.outOfMemory = outOfMemory;
  handOver.scanMs = scanEnd - scanStart;
  handOver.aggregateMs = aggregateEnd - scanEnd;
  handOver.scanMethod = method;
  handOver.statusText = std::move(statusText);
  // A result the receiver never took over is superseded by this one.
  freeTree(handOver.pendingTree.exchange(tree));
  if (handOver.post) handOver.post(handOver, generation);
}

}  // namespace

void freeTree(Tree* tree) {
  if (!tree) return;
  releaseTree(*tree);
  delete tree;
}

Tree* takePendingTree(ScanHandOver& handOver) { return handOver.pendingTree.exchange(nullptr); }

void runScanThread(ScanRequest* request) {
  ScanHandOver& handOver = *request->handOver;
  Tree* tree = newTree();
  double scanStart = nowMs();
  bool cancelled = false;
  ScanMethod method = ScanMethod::Walk;
  std::u16string statusText;

  uint32_t code = startEngineThread([&] {
    if (request->useFastScan) {
      std::u16string error;
      if (fastScan(*tree, request->rootPath, handOver.progress, error)) {
        method = ScanMethod::Mft;
        return;
      }
      if (handOver.progress.cancel.load()) {
        cancelled = true;
        return;
      }
      statusText = fallbackNotice(error);
      handOver.mftScanInUse.exchange(0);
      // The walk starts from a clean tree, and the scan time is the walk's alone.
      releaseTree(*tree);
      initTree(*tree);
      scanStart = nowMs();
    }
    walkScan(*tree, request->rootPath, handOver.progress);
  });

  if (cancelled) {
    freeTree(tree);
    tree = nullptr;
  }
  deliver(handOver, tree, code == kExitOutOfMemory, scanStart, method, std::move(statusText), request->generation);
  delete request;
}

void runContinueThread(ContinueRequest* request) {
  double start = nowMs();
  Tree* tree = request->tree;
  uint32_t code = startEngineThread([&] { continueWalk(*tree, request->handOver->progress); });
  deliver(*request->handOver, tree, code == kExitOutOfMemory, start, ScanMethod::Walk,
          std::move(request->statusText), request->generation);
  delete request;
}

void runImportThread(ImportRequest* request) {
  ScanHandOver& handOver = *request->handOver;
  Tree* tree = newTree();
  double start = nowMs();
  CsvImportResult result = importCsvFile(*tree, request->csvPath, handOver.progress);
  if (!result.ok && !result.outOfMemory) {
    freeTree(tree);
    tree = nullptr;
  }
  deliver(handOver, tree, result.outOfMemory, start, ScanMethod::Walk, u"", request->generation, true);
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
                   ScanProgress& progress, std::u16string& errorText) {
  bool fastScanFailed = false;
  if (useFastScan && !fastScanDisabled && isAdministrator()) {
    if (fastScan(tree, rootPath, progress, errorText)) {
      finalizeTree(tree);
      return true;
    }
    fastScanFailed = true;
  }
  releaseTree(tree);
  initTree(tree);
  // Walking an image would only list the image file itself.
  if (fastScanFailed && !isExistingFolder(rootPath)) return false;
  walkScan(tree, rootPath, progress);
  finalizeTree(tree);
  return true;
}
