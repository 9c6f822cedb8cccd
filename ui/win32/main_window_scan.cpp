// The scan's threads as the window runs them: starting a scan, an import or a
// continuation, cancelling and joining, and taking the finished tree over.
//
// Threading: the window thread. The scan thread shares `handOver` with it (see
// engine/scan_driver.h): the window clears the progress before a start, sets the
// cancel flag to stop, and takes the result only after joining the thread on the
// done message of the newest generation. The tree then passes to the window, and
// the window thread is its only reader and writer from there on.
#include "platform/scan_path.h"
#include "ui/scan_lifecycle.h"
#include "ui/win32/main_window.h"

namespace {

void clearProgress(MainWindow& w, int64_t done, bool fastScan) {
  w.handOver.progress.done.store(done);
  w.handOver.progress.total.store(0);
  w.handOver.progress.cancel.store(0);
  w.handOver.mftScanInUse.store(fastScan ? 1 : 0);
}

// A thread the window thread cannot start ends the process as any failed
// allocation on it does.
void started(MainWindow& w, Thread thread) {
  if (!thread.handle) failOutOfMemory();
  w.scanThread = thread;
  SetTimer(w.window, kScanTimer, 50, nullptr);
}

}  // namespace

void beginScanThread(MainWindow& w, const Effect& e) {
  clearProgress(w, 0, e.flag);
  auto* request = new ScanRequest{normalizeScanPath(e.text, BareDrive::Root), static_cast<uint32_t>(e.number), e.flag,
                                  &w.handOver};
  started(w, startScanThread(request));
}

void beginImportThread(MainWindow& w, const Effect& e) {
  clearProgress(w, 0, false);
  started(w, startImportThread(new ImportRequest{e.text, static_cast<uint32_t>(e.number), &w.handOver}));
}

void beginContinueThread(MainWindow& w, Effect& e) {
  Tree* tree = e.tree;
  e.tree = nullptr;   // the continue thread owns it until it delivers
  clearProgress(w, tree->fileCount + tree->folderCount, false);
  started(w, startContinueThread(new ContinueRequest{tree, e.fallback, static_cast<uint32_t>(e.number), &w.handOver}));
}

void cancelScanThread(MainWindow& w) {
  KillTimer(w.window, kScanTimer);
  if (!w.scanThread.handle) return;
  w.handOver.progress.cancel.store(1);
  joinThread(w.scanThread);
  // Whatever it delivered belongs to a scan nobody waits for any more.
  freeTree(takeScanResult(w.handOver).tree);
}

void onScanDone(MainWindow& w, uint32_t generation) {
  if (!acceptsFinishedScan(w.state, generation)) return;
  joinThread(w.scanThread);
  FinishedScan finished;
  finished.generation = generation;
  finished.result = takeScanResult(w.handOver);
  // The last counts, for the state the window shows from now on.
  refreshInputs(w);
  Outcome out;
  takeOverScan(w.state, finished, out);
  runOutcome(w, out);
}

void onScanRequest(MainWindow& w, int32_t driveIndex, ScanRequestText* request) {
  std::u16string path = request ? std::move(request->path) : std::u16string();
  delete request;
  Outcome out;
  startScan(w.state, driveIndex, path, out);
  runOutcome(w, out);
}
