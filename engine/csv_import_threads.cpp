// CSV import on two threads: a parsing thread reads rows into node records while a
// building thread adds them to the tree, in file order, so the tree comes out the
// same as when one thread does both.
//
// Threading: the calling (engine) thread starts a building thread and a supervisor,
// which starts the parsing thread; both workers are marked, so either ends with the
// out-of-memory code instead of the process. The pipe's lock guards produced,
// consumed, stop and parserOutOfMemory; a batch belongs to the parser from its
// hand-back until it is produced, then to the builder until it is consumed.
//
// Sections: pipe · parser · builder · start and join
#include "engine/csv_import_rows.h"
#include "platform/lock.h"
#include "platform/platform.h"
#include <algorithm>

// --- Pipe ---------------------------------------------------------------------------------
namespace {

// Four batches: the parser may run up to three ahead while the builder works on one.
constexpr int kBatches = 4;

struct Pipe {
  Mutex lock;
  ConditionVariable produced;   // a batch is ready, or the parser died
  ConditionVariable consumed;   // a batch is free again, or stop
  uint64_t producedCount = 0;
  uint64_t consumedCount = 0;
  uint8_t stop = 0;
  uint8_t parserOutOfMemory = 0;
  CsvNodeBatch batches[kBatches];
  size_t rowsPerBatch = 0;
  CsvNodeReader* reader = nullptr;
  Tree* tree = nullptr;
  ScanProgress* progress = nullptr;
  bool builderOk = false;
};

// --- Parser ---------------------------------------------------------------------------------
// Converting the Modified texts goes to whichever thread has time for it: the
// parser takes it on while the builder is two batches or more behind. Both threads
// convert to the same values, so the tree does not depend on who did.
constexpr uint64_t kBuilderBehind = 2;

void runParser(Pipe& pipe) {
  CsvNodeReader& reader = *pipe.reader;
  CsvTimeReader times;
  for (uint64_t k = 0;; k++) {
    uint64_t ahead = 0;
    {
      MutexHold hold(pipe.lock);
      while (k - pipe.consumedCount >= kBatches && !pipe.stop) waitCondition(pipe.consumed, pipe.lock);
      if (pipe.stop) return;
      ahead = k - pipe.consumedCount;
    }
    CsvNodeBatch& batch = pipe.batches[k % kBatches];
    fillCsvNodeBatch(reader, batch, pipe.rowsPerBatch, ahead >= kBuilderBehind ? &times : nullptr);
    {
      MutexHold hold(pipe.lock);
      pipe.producedCount = k + 1;
      wakeOne(pipe.produced);
    }
    if (batch.last) return;
  }
}

struct ParserSupervisor {
  Pipe* pipe;
  uint32_t operator()() const {
    Pipe* p = pipe;
    if (startEngineThread([p] { runParser(*p); }) == kExitOutOfMemory) {
      MutexHold hold(p->lock);
      p->parserOutOfMemory = 1;
      wakeAll(p->produced);
    }
    return 0;
  }
};

// --- Builder ----------------------------------------------------------------------------------
bool runBuilder(Pipe& pipe) {
  Tree& tree = *pipe.tree;
  ScanProgress& progress = *pipe.progress;
  int64_t added = tree.nodeCount;
  CsvTimeReader times;
  for (uint64_t k = 0;; k++) {
    bool parserDied = false;
    {
      MutexHold hold(pipe.lock);
      while (pipe.producedCount <= k && !pipe.parserOutOfMemory) waitCondition(pipe.produced, pipe.lock);
      parserDied = pipe.producedCount <= k;
    }
    if (parserDied) failOutOfMemory();
    const CsvNodeBatch& batch = pipe.batches[k % kBatches];
    if (!addCsvNodeBatch(tree, times, batch, progress, added)) return false;
    bool last = batch.last;
    {
      MutexHold hold(pipe.lock);
      pipe.consumedCount = k + 1;
      wakeOne(pipe.consumed);
    }
    if (last) return true;
  }
}

}  // namespace

// --- Start and join ----------------------------------------------------------------------------
bool importCsvOnTwoThreads(Tree& tree, CsvNodeReader& reader, ScanProgress& progress, size_t rowsPerBatch) {
  Pipe* pipe = new Pipe;
  initMutex(pipe->lock);
  initConditionVariable(pipe->produced);
  initConditionVariable(pipe->consumed);
  pipe->rowsPerBatch = std::max<size_t>(rowsPerBatch, 1);
  pipe->reader = &reader;
  pipe->tree = &tree;
  pipe->progress = &progress;

  Thread supervisor = startClosureThread(0, ParserSupervisor{pipe});
  uint32_t code = kExitOutOfMemory;
  if (supervisor.handle) {
    code = startEngineThread([pipe] { pipe->builderOk = runBuilder(*pipe); });
    // A stop, a failed builder or one that could not start leaves the parser waiting
    // for a free batch: it must be gone before the reader and the file go away.
    {
      MutexHold hold(pipe->lock);
      pipe->stop = 1;
      wakeAll(pipe->consumed);
    }
    joinThread(supervisor);
  }
  bool ok = pipe->builderOk;
  destroyConditionVariable(pipe->consumed);
  destroyConditionVariable(pipe->produced);
  destroyMutex(pipe->lock);
  delete pipe;
  if (code == kExitOutOfMemory) failOutOfMemory();
  return ok;
}
