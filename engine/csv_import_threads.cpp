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

struct Batch {
  std::vector<CsvNodeRecord> records;   // names point into `names`
  std::vector<char16_t> names;
  size_t count = 0;
  bool last = false;
};

struct Pipe {
  Mutex lock;
  ConditionVariable produced;   // a batch is ready, or the parser died
  ConditionVariable consumed;   // a batch is free again, or stop
  uint64_t producedCount = 0;
  uint64_t consumedCount = 0;
  uint8_t stop = 0;
  uint8_t parserOutOfMemory = 0;
  Batch batches[kBatches];
  size_t rowsPerBatch = 0;
  CsvNodeReader* reader = nullptr;
  Tree* tree = nullptr;
  ScanProgress* progress = nullptr;
  bool builderOk = false;
};

// --- Parser ---------------------------------------------------------------------------------
void runParser(Pipe& pipe) {
  CsvNodeReader& reader = *pipe.reader;
  const size_t nameRoom = pipe.rowsPerBatch * 32;
  for (uint64_t k = 0;; k++) {
    {
      MutexHold hold(pipe.lock);
      while (k - pipe.consumedCount >= kBatches && !pipe.stop) waitCondition(pipe.consumed, pipe.lock);
      if (pipe.stop) return;
    }
    Batch& batch = pipe.batches[k % kBatches];
    // Sized once: names are at most kMaxNameLength units, so a batch closes before
    // one could overflow and the vectors never move (records point into them).
    if (batch.records.size() < pipe.rowsPerBatch) batch.records.resize(pipe.rowsPerBatch);
    if (batch.names.size() < nameRoom + kMaxNameLength) batch.names.resize(nameRoom + kMaxNameLength);
    size_t count = 0, units = 0;
    bool more = true;
    while (count < pipe.rowsPerBatch && units < nameRoom) {
      CsvNodeRecord& record = batch.records[count];
      if (!nextCsvNode(reader, record)) {
        more = false;
        break;
      }
      char16_t* name = batch.names.data() + units;
      std::copy(record.name, record.name + record.nameLength, name);
      record.name = name;
      units += record.nameLength;
      count++;
    }
    batch.count = count;
    batch.last = !more;
    {
      MutexHold hold(pipe.lock);
      pipe.producedCount = k + 1;
      wakeOne(pipe.produced);
    }
    if (!more) return;
  }
}

struct ParserSupervisor {
  Pipe* pipe;
  uint32_t operator()() const {
    Pipe* p = pipe;
    Thread parser = startClosureThread(kEngineThreadStackBytes, [p]() -> uint32_t {
      markWorkerThread();
      runParser(*p);
      return 0;
    });
    uint32_t code = parser.handle ? joinThread(parser) : kExitOutOfMemory;
    if (code == kExitOutOfMemory) {
      MutexHold hold(p->lock);
      p->parserOutOfMemory = 1;
      wakeAll(p->produced);
    }
    return 0;
  }
};

// --- Builder ----------------------------------------------------------------------------------
// The names a few records ahead start loading their intern slots while this one is added.
constexpr size_t kPrefetchAhead = 8;

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
    Batch& batch = pipe.batches[k % kBatches];
    const CsvNodeRecord* records = batch.records.data();
    size_t count = batch.count;
    for (size_t i = 0; i < count; i++) {
      if (i + kPrefetchAhead < count) {
        prefetchName(tree, records[i + kPrefetchAhead].name, records[i + kPrefetchAhead].nameLength);
      }
      const CsvNodeRecord& r = records[i];
      int32_t node = addNode(tree, r.parent, r.name, r.nameLength, r.size, r.onDisk, r.folder);
      setTimeAndAttributes(tree, node, csvTimeOfField(times, r.modified, r.modifiedLength), r.attributes);
      progress.done.store(++added, std::memory_order_relaxed);
      if (progress.cancel.load(std::memory_order_relaxed)) return false;
    }
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
    Thread builder = startClosureThread(kEngineThreadStackBytes, [pipe]() -> uint32_t {
      markWorkerThread();
      pipe->builderOk = runBuilder(*pipe);
      return 0;
    });
    code = builder.handle ? joinThread(builder) : kExitOutOfMemory;
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
