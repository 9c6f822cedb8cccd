// Inside the CSV import: the reader that turns rows into the nodes they add (parent,
// name, sizes, time, attributes), shared by the one-thread import and the two-thread
// one, where it runs on the parsing thread while the importing thread builds the tree.
//
// Threading: a CsvNodeReader, a CsvTimeReader and a batch being filled or added each
// belong to one thread at a time; only addCsvNodeBatch touches the Tree.
//
// Sections: node records · times · reader · batches · two threads
#pragma once
#include "engine/csv.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// --- Node records ------------------------------------------------------------------------
// A row that becomes a node. Node indices are known in advance: every accepted row
// appends exactly one node, so the n-th record is node first + n.
struct CsvNodeRecord {
  int64_t size = 0;          // files: cut so that the sum stays within 64 bits
  int64_t onDisk = 0;
  const uint8_t* modified = nullptr;   // the Modified bytes
  size_t modifiedLength = 0;
  int64_t filetime = 0;                // their time, when the batch has timesKnown
  const char16_t* name = nullptr;      // valid until the next row is read
  int32_t parent = kNoNode;
  uint32_t attributes = 0;
  uint32_t nameLength = 0;             // at most kMaxNameLength: addNode keeps no more
  bool folder = false;
};

// --- Times ----------------------------------------------------------------------------------
struct CsvDayCache;   // local midnights of calendar days whose offset does not change

// Modified texts to FILETIMEs for the thread that builds the tree (the parser has
// enough to do): the same values as parseCsvTime, with the system asked once per day.
struct CsvTimeReader {
  std::u16string text;   // a Modified text with bytes beyond ASCII, decoded
  std::unique_ptr<CsvDayCache> days;
  CsvTimeReader();
  ~CsvTimeReader();
};
int64_t csvTimeOfField(CsvTimeReader& times, const uint8_t* bytes, size_t length);

// --- Reader --------------------------------------------------------------------------------

struct CsvNodeReader {
  struct Level {
    int32_t folder;
    size_t prefixLength;
  };
  const uint8_t* data = nullptr;
  size_t length = 0;
  size_t position = 0;
  char16_t separator = kPathSeparator;
  std::u16string prefix;           // the top folder's path and a separator
  std::vector<Level> stack;
  std::u16string path;             // the current row's path; size() is its capacity
  size_t pathLength = 0;
  int64_t sizeBudget = 0;
  int64_t onDiskBudget = 0;
  int32_t nextNode = 0;
};

// Prepares reading the rows after the header; `root` is the root's node, the next
// node added gets root + 1.
void startCsvNodes(CsvNodeReader& reader, const uint8_t* bytes, size_t length, const CsvHeader& header,
                   int32_t root);
// Reads rows up to the next one that adds a node. False at the end of the data.
bool nextCsvNode(CsvNodeReader& reader, CsvNodeRecord& record);

// --- Batches ---------------------------------------------------------------------------------
// Records read ahead, so the builder can hint names to the name set before adding them.
struct CsvNodeBatch {
  std::vector<CsvNodeRecord> records;   // names point into `names`
  std::vector<char16_t> names;
  size_t count = 0;
  bool last = false;                    // the data ends after these records
  bool timesKnown = false;              // the filler converted the Modified texts
};
// Fills `batch` with up to `rows` records, their names copied into it; with `times`
// it converts the Modified texts as well.
void fillCsvNodeBatch(CsvNodeReader& reader, CsvNodeBatch& batch, size_t rows, CsvTimeReader* times = nullptr);
// Adds the batch's nodes in order, with times and attributes; progress.done counts
// them on from `added`. False, after the node that saw it, when progress.cancel is set.
bool addCsvNodeBatch(Tree& tree, CsvTimeReader& times, const CsvNodeBatch& batch, ScanProgress& progress,
                     int64_t& added);

// --- Two threads ---------------------------------------------------------------------------
// Rows read on a parsing thread while the calling thread's helper builds the tree
// from them in file order; the same nodes as reading and building on one thread.
// Ends the calling thread (or the process) like addNode when memory runs out.
bool importCsvOnTwoThreads(Tree& tree, CsvNodeReader& reader, ScanProgress& progress, size_t rowsPerBatch);

// Below this many bytes of rows one thread is faster than starting two. Tests lower
// both figures to run small files through the two-thread path; 0 restores them.
constexpr size_t kCsvTwoThreadBytes = size_t{1} << 20;
constexpr size_t kCsvRowsPerBatch = 4096;
constexpr size_t kCsvRowsPerBatchOneThread = 256;   // stays in the first-level caches
void setCsvImportTuningForTesting(size_t twoThreadBytes, size_t rowsPerBatch);
