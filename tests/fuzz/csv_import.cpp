// Feeds arbitrary bytes to the CSV import: whatever comes in, the importer ends,
// builds a consistent tree (every node reachable once, sizes summing up, no name that
// could lead outside the root) or fails, and the two-thread import (batches of three
// rows) builds the same nodes. The same bytes also spell a native tree whose names may
// hold line breaks, quotes and bytes that are no UTF-8: exported and imported again,
// it must come back name for name.
#include "engine/csv.h"
#include "engine/csv_import_rows.h"
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

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

// No imported name is empty, `.` or `..`, holds NUL or the tree's separator.
bool namesStayInside(const Tree& tree) {
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  for (int32_t n = 0; n < tree.nodeCount; n++) {
    if (n == tree.rootIndex) continue;
    std::u16string name = nodeName(tree, n);
    if (name.empty() || name == u"." || name == u"..") return false;
    if (name.find(u'\0') != std::u16string::npos || name.find(separator) != std::u16string::npos) return false;
  }
  return true;
}

// --- Round trip of a native tree spelled by the bytes ------------------------------------
// Bytes 0x00 end a file name, 0x01 a folder name (the next names go inside it), 0x02
// leaves the current folder. Bytes from 0x80 on are name bytes that are no UTF-8 and
// live in the tree as U+DC80..U+DCFF, as the native listing stores them.
void spellTree(Tree& tree, const uint8_t* data, size_t size) {
  tree.rootPath = u"/fuzz";
  tree.rootIndex = addNode(tree, kNoNode, tree.rootPath.data(), tree.rootPath.size(), 0, 0, true);
  std::vector<int32_t> folders{tree.rootIndex};
  std::u16string name;
  for (size_t i = 0; i < size && tree.nodeCount < 64; i++) {
    uint8_t b = data[i];
    if (b == 0x02) {
      if (folders.size() > 1) folders.pop_back();
      name.clear();
    } else if (b == 0x00 || b == 0x01) {
      bool folder = b == 0x01;
      size_t dots = 0;
      for (char16_t c : name) dots += c == u'.';
      // Not native names, or (a file named like "notes.") the one name the export's
      // dot rule cannot tell from another (docs/csv.md).
      bool valid = !name.empty() && name != u"." && name != u".." && name.size() <= 255 &&
                   (folder || !(name.back() == u'.' && dots == 1));
      if (valid) {
        int32_t n = addNode(tree, folders.back(), name.data(), name.size(), folder ? 0 : int64_t(i), 0, folder);
        if (folder) folders.push_back(n);
      }
      name.clear();
    } else if (b != '/') {
      name.push_back(b < 0x80 ? char16_t(b) : char16_t(0xDC00 | b));
    }
  }
  finalizeTree(tree);
}

// Each node's path and size, sorted: two trees with the same multiset hold the same names.
std::vector<std::pair<std::u16string, int64_t>> pathsOf(const Tree& tree) {
  std::vector<std::pair<std::u16string, int64_t>> paths;
  for (int32_t n = 0; n < tree.nodeCount; n++) {
    if (!(tree.node(n).flags & kNodeDetached)) paths.push_back({nodePath(tree, n), logicalSize(tree, n)});
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

const std::string& scratchFile() {
  static std::string path = [] {
    // In memory where possible: the export flushes its file before it replaces the target.
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                           : std::filesystem::temp_directory_path();
    std::string folder = (base / "mossbloom-fuzz-XXXXXX").string();
    if (!mkdtemp(folder.data())) abort();
    static std::string remove = folder;
    atexit([] { std::filesystem::remove_all(remove); });
    return folder + "/round.csv";
  }();
  return path;
}

void roundTrip(const uint8_t* data, size_t size) {
  Tree original;
  initTree(original);
  spellTree(original, data, size);
  VolumeSummary volume{u"", u"ext4", 1000, 500};
  ScanProgress progress;
  ExportFailure error;
  std::u16string path(scratchFile().begin(), scratchFile().end());
  if (!exportCsvWithVolume(original, path, volume, progress, error)) abort();
  Tree imported;
  initTree(imported);
  ScanProgress importProgress;
  if (!importCsvFile(imported, path, importProgress).ok) abort();
  if (pathsOf(imported) != pathsOf(original)) abort();
  releaseTree(imported);
  releaseTree(original);
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
    if (!namesStayInside(tree)) abort();
    int64_t sum = 0;
    for (int32_t n = 0; n < tree.nodeCount; n++) {
      if (!(tree.node(n).flags & kNodeFolder)) sum += logicalSize(tree, n);
    }
    if (sum != logicalSize(tree, tree.rootIndex)) abort();
  }
  releaseTree(tree);
  // Writing and reading a file costs three parses: an eighth of the inputs.
  if (size < 4096 && (size == 0 || data[0] % 8 == 0)) roundTrip(data, size);
  return 0;
}
