// The scan driver: runs a scan (fast table read or directory walk) on an engine
// thread with a large stack, falls back from the one to the other, aggregates, and
// hands the result over to whoever asked (the window, the CLI, a test).
//
// Threading and ownership, per scan (or continuation, or import):
//  - the requester (the window thread) clears `ScanHandOver::progress` and
//    `mftScanInUse`, starts one scan thread and may set `progress.cancel`;
//  - while it runs, the scan thread and its engine threads write the progress
//    atomics and `mftScanInUse`; the requester reads them without a lock;
//  - the scan thread alone writes `ScanHandOver::result`, once, at the end, then
//    calls `receiver->scanDone(generation)` and touches nothing of the hand-over again;
//  - the requester reads `result` only after joining that thread (on the done
//    message of its newest generation, or when it cancels); `takeScanResult` then
//    moves the tree out, and from there on the requester's thread is the only
//    reader and writer of the tree.
#pragma once
#include "engine/failure.h"
#include "engine/tree.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

enum class ScanMethod : uint8_t { Walk = 0, Mft = 1 };

// What a finished scan leaves for its requester.
struct ScanResult {
  Tree* tree = nullptr;          // owning; none when the scan was stopped, failed or ran out of memory
  bool outOfMemory = false;
  double scanMs = 0;
  double aggregateMs = 0;
  ScanMethod method = ScanMethod::Walk;
  // Why the fast scan fell back to the walk ("MFT unavailable (…), used directory
  // walk"); None when it did not. A continuation passes on the one it was given.
  MftFailure fallback = MftFailure::None;
};

// Told by the scan thread, last, that `result` is complete; the window posts its
// done message with the generation from here.
struct ScanReceiver {
  virtual void scanDone(uint32_t generation) = 0;

 protected:
  ~ScanReceiver() = default;
};

// The requester's slot for one scan at a time; lives as long as the requester.
struct ScanHandOver {
  ScanProgress progress;                  // live, both threads
  std::atomic<uint8_t> mftScanInUse{0};   // live; cleared when the fast scan falls back
  ScanResult result;                      // the scan thread's until it is joined
  ScanReceiver* receiver = nullptr;       // set once before the first scan
};

struct ScanRequest {
  std::u16string rootPath;   // normalised
  uint32_t generation = 0;
  bool useFastScan = false;
  ScanHandOver* handOver = nullptr;
};

struct ContinueRequest {
  Tree* tree = nullptr;      // owned by the continue thread until handed over
  MftFailure fallback = MftFailure::None;   // passed on unchanged
  uint32_t generation = 0;
  ScanHandOver* handOver = nullptr;
};

struct ImportRequest {
  std::u16string csvPath;
  uint32_t generation = 0;
  ScanHandOver* handOver = nullptr;
};

// Thread bodies; each takes ownership of its request and frees it. An import is
// delivered exactly like a scan (method Walk, no fallback); a file that cannot be
// read or holds no export delivers no tree.
void runScanThread(ScanRequest* request);
void runContinueThread(ContinueRequest* request);
void runImportThread(ImportRequest* request);

// Starts the scan, continue or import thread (default stack); join it with joinThread.
Thread startScanThread(ScanRequest* request);
Thread startContinueThread(ContinueRequest* request);
Thread startImportThread(ImportRequest* request);

// The requester's side, after joining the scan thread: the result, with its tree
// now the requester's; the hand-over keeps no tree.
ScanResult takeScanResult(ScanHandOver& handOver);
void freeTree(Tree* tree);   // releaseTree + delete; null is fine

// The fast scan of this platform: the volume behind a drive path on Windows, an
// NTFS image (optionally "image::/folder") natively.
bool fastScan(Tree& tree, std::u16string_view path, ScanProgress& progress, MftFailure& failure);
// Natively the fast scan reads image files, which no walk can read in its place;
// on Windows it reads the volume of a folder that the walk can list as well.
extern const bool kFastScanReadsImages;

// The headless export's scan, on the calling engine thread: the fast scan when
// asked, allowed and running as administrator, otherwise (or when it fails) the
// walk; then finalizeTree. The extension table is not built. `failure` receives
// the fast scan's, if any. False, with an empty tree, when the fast scan
// failed on a path that is no folder to walk (an image file natively).
bool scanForExport(Tree& tree, std::u16string_view rootPath, bool useFastScan, bool fastScanDisabled,
                   ScanProgress& progress, MftFailure& failure);
