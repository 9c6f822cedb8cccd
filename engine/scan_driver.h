// The scan driver: runs a scan (fast table read or directory walk) on an engine
// thread with a large stack, falls back from the one to the other, aggregates, and
// hands the result over to whoever asked (the window, the CLI, a test).
//
// Threading: the requester, one scan thread per scan, and engine threads that run
// one body each. Shared without locks: ScanProgress, the MFT-in-use flag and the
// pending tree (an atomic exchange); the other result fields are written before
// `post` is called and read by the receiver after it gets the call's message.
#pragma once
#include "engine/tree.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

enum class ScanMethod : uint8_t { Walk = 0, Mft = 1 };

// The requester's slot for results; lives as long as the requester.
struct ScanHandOver {
  ScanProgress progress;                  // cleared by the requester before a scan
  std::atomic<uint8_t> mftScanInUse{0};   // cleared when the fast scan falls back
  std::atomic<Tree*> pendingTree{nullptr};
  bool outOfMemory = false;
  double scanMs = 0;
  double aggregateMs = 0;
  ScanMethod scanMethod = ScanMethod::Walk;
  std::u16string statusText;              // empty, or the fast scan's fallback notice
  // Called last by the scan thread: the window posts WM_SCAN_DONE with the generation.
  void (*post)(ScanHandOver& handOver, uint32_t generation) = nullptr;
  void* receiver = nullptr;
};

struct ScanRequest {
  std::u16string rootPath;   // normalised
  uint32_t generation = 0;
  bool useFastScan = false;
  ScanHandOver* handOver = nullptr;
};

struct ContinueRequest {
  Tree* tree = nullptr;      // owned by the continue thread until handed over
  std::u16string statusText;
  uint32_t generation = 0;
  ScanHandOver* handOver = nullptr;
};

struct ImportRequest {
  std::u16string csvPath;
  uint32_t generation = 0;
  ScanHandOver* handOver = nullptr;
};

// Thread bodies; each takes ownership of its request and frees it. An import is
// delivered exactly like a scan (method Walk, no status text); a file that cannot be
// read or holds no export delivers no tree.
void runScanThread(ScanRequest* request);
void runContinueThread(ContinueRequest* request);
void runImportThread(ImportRequest* request);

// Starts the scan, continue or import thread (default stack); join it with joinThread.
Thread startScanThread(ScanRequest* request);
Thread startContinueThread(ContinueRequest* request);
Thread startImportThread(ImportRequest* request);

// The receiver's side: takes the pending tree (null when there is none).
Tree* takePendingTree(ScanHandOver& handOver);
void freeTree(Tree* tree);   // releaseTree + delete; null is fine

// The fast scan of this platform: the volume behind a drive path on Windows, an
// NTFS image (optionally "image::/folder") natively.
bool fastScan(Tree& tree, std::u16string_view path, ScanProgress& progress, std::u16string& errorText);
// Natively the fast scan reads image files, which no walk can read in its place;
// on Windows it reads the volume of a folder that the walk can list as well.
extern const bool kFastScanReadsImages;

// The headless export's scan, on the calling engine thread: the fast scan when
// asked, allowed and running as administrator, otherwise (or when it fails) the
// walk; then finalizeTree. The extension table is not built. errorText receives
// the fast scan's failure, if any. False, with an empty tree, when the fast scan
// failed on a path that is no folder to walk (an image file natively).
bool scanForExport(Tree& tree, std::u16string_view rootPath, bool useFastScan, bool fastScanDisabled,
                   ScanProgress& progress, std::u16string& errorText);
