// Feeds arbitrary bytes to the CSV import: whatever comes in, the importer ends,
// builds a consistent tree (every node reachable once, sizes summing up) or fails.
#include "engine/csv.h"
#include <cstdint>
#include <cstdlib>

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
