// Feeds arbitrary bytes to the CSV import: whatever comes in, the importer ends,
// builds a consistent tree (every node reachable once, sizes summing up) or fails,
// and the two-thread import (batches of three rows) builds the same nodes.
#include "engine/csv.h"
#include "engine/csv_import_rows.h"
#include <cstdint>
#include <cstdlib>

namespace {

bool sameNodes(const Tree& a, const Tree& b) {
  if (a.nodeCount != b.nodeCount || a.rootIndex != b.rootIndex) return false;
  for (int32_t n = 0; n < a.nodeCount; n++) {
    if (a.node(n).parent != b.node(n).parent || nodeName(a, n) != nodeName(b, n)) return false;
    if (logicalSize(a, n) != logicalSize(b, n) || onDiskSize(a, n) != onDiskSize(b, n)) return false;
    if (modifiedTime(a, n) != modifiedTime(b, n) || attributes(a, n) != attributes(b, n)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CsvHeader header;
  CsvRow row;
  readCsvHeader(data, size, header, row);
  parseCsvRow(data, size, row);
  parseCsvTime(std::u16string_view(reinterpret_cast<const char16_t*>(data), size / 2));

  Tree tree;
  initTree(tree);
  ScanProgress progress;
  if (importCsv(tree, data, size, progress)) {
    Tree twoThreads;
    initTree(twoThreads);
    ScanProgress twoProgress;
    setCsvImportTuningForTesting(1, 3);
    bool ok = importCsv(twoThreads, data, size, twoProgress);
    setCsvImportTuningForTesting(0, 0);
    if (!ok || !sameNodes(tree, twoThreads) || twoProgress.done.load() != progress.done.load()) abort();
    releaseTree(twoThreads);

    finalizeTree(tree);
    if (tree.rootIndex != 0) abort();
    if (tree.fileCount + tree.folderCount + 1 != tree.nodeCount) abort();
    int64_t sum = 0;
    for (int32_t n = 0; n < tree.nodeCount; n++) {
      if (!(tree.node(n).flags & kNodeFolder)) sum += logicalSize(tree, n);
    }
    if (sum != logicalSize(tree, tree.rootIndex)) abort();
  }
  releaseTree(tree);
  return 0;
}
