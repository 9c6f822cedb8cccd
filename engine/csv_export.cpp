// CSV export: one pass to total the folders, one to write the rows depth-first.
//
// Threading: exportCsv opens the file and waits while the body runs on an engine
// thread; the body alone drives the file writer. The tree is only read.
//
// Sections: folder totals · row text · child order · body · entry
#include "engine/csv.h"
#include "engine/csv_native_names.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/time.h"
#include "platform/platform.h"
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBufferUnits = 0x100800;
constexpr size_t kFlushUnits = 0xFFFFE;
// Upper bound of a row's text besides its path: quotes, commas, eight 20-digit
// numbers, the time, the file's dot, the folder separator and CR LF.
constexpr size_t kRowOverheadUnits = 256;

// --- Folder totals ------------------------------------------------------------------------
struct FolderTotals {
  int64_t onDisk = 0;
  int64_t latestTime = 0;
  uint32_t files = 0;
  uint32_t folders = 0;
  int64_t pathLength = 0;   // of the folder's path with its separator, while rows are written
};

// Reachable folders in a bitmap with per-512-node counts, so the totals array holds
// exactly one record per folder.
struct FolderRank {
  std::vector<uint64_t> bits;
  std::vector<uint32_t> blockCounts;

  void build(int64_t nodeCount) {
    bits.assign(static_cast<size_t>((nodeCount + 63) / 64), 0);
  }
  void set(int32_t node) { bits[static_cast<size_t>(node) >> 6] |= 1ull << (node & 63); }
  uint32_t finish() {
    size_t blocks = (bits.size() + 7) / 8;
    blockCounts.assign(blocks, 0);
    uint32_t total = 0;
    for (size_t b = 0; b < blocks; b++) {
      blockCounts[b] = total;
      for (size_t w = b * 8; w < std::min(bits.size(), b * 8 + 8); w++) total += std::popcount(bits[w]);
    }
    return total;
  }
  uint32_t rank(int32_t node) const {
    size_t word = static_cast<size_t>(node) >> 6;
    uint32_t r = blockCounts[word >> 3];
    for (size_t w = word & ~size_t{7}; w < word; w++) r += std::popcount(bits[w]);
    return r + std::popcount(bits[word] & ((1ull << (node & 63)) - 1));
  }
};

// --- Row text ------------------------------------------------------------------------------
struct TextBuffer {
  std::vector<char16_t> units;
  size_t used = 0;

  void put(char16_t c) { units[used++] = c; }
  void put(std::u16string_view s) {
    std::memcpy(units.data() + used, s.data(), s.size() * sizeof(char16_t));
    used += s.size();
  }
  void putAscii(std::string_view s) {
    for (char c : s) units[used++] = static_cast<char16_t>(c);
  }
  void putNumber(int64_t value) {
    char16_t digits[24];
    int n = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude);
    if (value < 0) units[used++] = u'-';
    while (n) units[used++] = digits[--n];
  }
};

// Name units of a node straight from the name pool (one byte or two per unit).
void appendName(const Tree& tree, int32_t node, std::u16string& out) {
  const TreeNode& n = tree.node(node);
  const uint8_t* p = tree.namePool.base + n.nameOffset;
  size_t length = n.nameLength;
  size_t start = out.size();
  out.resize(start + length);
  if (n.flags & kNodeWideName) {
    std::memcpy(out.data() + start, p, length * sizeof(char16_t));
  } else {
    for (size_t i = 0; i < length; i++) out[start + i] = p[i];
  }
}

// Windows names never hold a double quote; names made elsewhere may, and a lone one
// would end the quoted path early. Doubled, the import reads it back as one.
void doubleQuotes(std::u16string& path, size_t from) {
  for (size_t at = path.find(u'"', from); at != std::u16string::npos; at = path.find(u'"', at + 2)) {
    path.insert(at, 1, u'"');
  }
}

// --- Child order -------------------------------------------------------------------------------
struct ChildEntry {
  int32_t node;
  uint32_t nameStart;   // in the scratch name buffer
  uint32_t nameLength;
  bool folder;
};

// Folders first, each group by name ignoring case; equal names keep creation order.
void sortChildren(const Tree& tree, int32_t folder, std::vector<ChildEntry>& children,
                  std::u16string& names) {
  children.clear();
  names.clear();
  for (int32_t c = tree.node(folder).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    uint32_t start = static_cast<uint32_t>(names.size());
    appendName(tree, c, names);
    children.push_back({c, start, static_cast<uint32_t>(names.size() - start),
                        (tree.node(c).flags & kNodeFolder) != 0});
  }
  const char16_t* pool = names.data();
  std::sort(children.begin(), children.end(), [pool](const ChildEntry& a, const ChildEntry& b) {
    if (a.folder != b.folder) return a.folder;
    int order = compareNamesIgnoringCase(pool + a.nameStart, a.nameLength, pool + b.nameStart, b.nameLength);
    if (order != 0) return order < 0;
    return a.node < b.node;
  });
}

// --- Body ----------------------------------------------------------------------------------------
struct ExportJob {
  const Tree* tree;
  FileWriter* writer;
  ScanProgress* progress;
  std::u16string title;
  VolumeSummary volume;
};

bool writeTime(TextBuffer& buffer, int64_t filetime) {
  if (filetime == 0) return false;
  char16_t text[19];
  if (!localTimeText(filetime, text)) return false;
  buffer.put(std::u16string_view(text, 19));
  return true;
}

// Returns false when stopped or when the file writer failed.
bool runExportBody(ExportJob& job) {
  const Tree& tree = *job.tree;
  ScanProgress& progress = *job.progress;
  if (tree.rootIndex < 0) return false;
  int32_t root = tree.rootIndex;
  prepareLocalTime();

  // Reachable folders, found by a walk over the child lists (detached nodes are in none).
  FolderRank rank;
  rank.build(tree.nodeCount);
  for (int32_t n = root;;) {
    const TreeNode& node = tree.node(n);
    if (node.flags & kNodeFolder) rank.set(n);
    if ((node.flags & kNodeFolder) && node.firstChild != kNoNode) { n = node.firstChild; continue; }
    while (n != root && tree.node(n).nextSibling == kNoNode) n = tree.node(n).parent;
    if (n == root) break;
    n = tree.node(n).nextSibling;
  }
  std::vector<FolderTotals> totals(rank.finish());

  // Totals in post-order: a node is finished when the walk leaves it.
  auto finish = [&](int32_t n) {
    if (n == root) return;
    const TreeNode& node = tree.node(n);
    FolderTotals& parent = totals[rank.rank(node.parent)];
    if (node.flags & kNodeFolder) {
      const FolderTotals& own = totals[rank.rank(n)];
      parent.onDisk += own.onDisk;
      parent.files += own.files;
      parent.folders += own.folders + 1;
      parent.latestTime = std::max(parent.latestTime, own.latestTime);
    } else {
      parent.onDisk += onDiskSize(tree, n);
      parent.files += 1;
      parent.latestTime = std::max(parent.latestTime, modifiedTime(tree, n));
    }
  };
  for (int32_t n = root;;) {
    const TreeNode& node = tree.node(n);
    if (node.flags & kNodeFolder) totals[rank.rank(n)].latestTime = modifiedTime(tree, n);
    if ((node.flags & kNodeFolder) && node.firstChild != kNoNode) { n = node.firstChild; continue; }
    finish(n);
    while (n != root && tree.node(n).nextSibling == kNoNode) {
      n = tree.node(n).parent;
      finish(n);
    }
    if (n == root) break;
    n = tree.node(n).nextSibling;
  }

  bool rootIsFolder = (tree.node(root).flags & kNodeFolder) != 0;
  const FolderTotals* rootTotals = rootIsFolder ? &totals[rank.rank(root)] : nullptr;
  progress.total = rootTotals ? int64_t{rootTotals->files} + rootTotals->folders + 1 : 1;

  TextBuffer buffer;
  buffer.units.resize(kBufferUnits);
  buffer.put(u'\uFEFF');
  buffer.put(job.title);
  buffer.put(u"\r\n");
  buffer.putAscii(kCsvHeaderLine);
  buffer.put(u"\r\n");

  // Makes room for a row whose path has `pathUnits` units; an enormous path grows the buffer.
  auto reserveRow = [&](size_t pathUnits) -> bool {
    size_t need = pathUnits + kRowOverheadUnits;
    if (buffer.used + need > buffer.units.size()) {
      if (buffer.used && !writeFileChunk(job.writer, buffer.units.data(), buffer.used)) return false;
      buffer.used = 0;
      if (need > buffer.units.size()) buffer.units.resize(need);
    }
    return true;
  };
  // After each row: progress, the stop request and the regular hand-over to the writer.
  auto endRow = [&]() -> bool {
    size_t beforeLineEnd = buffer.used;
    buffer.put(u"\r\n");
    progress.done.fetch_add(1, std::memory_order_relaxed);
    if (progress.cancel.load(std::memory_order_relaxed)) return false;
    if (beforeLineEnd >= kFlushUnits) {
      if (!writeFileChunk(job.writer, buffer.units.data(), buffer.used)) return false;
      buffer.used = 0;
    }
    return true;
  };

  char16_t separator = csvSeparatorFor(tree.rootPath);
  std::u16string path(tree.rootPath);
  if (path.empty() || path.back() != separator) path.push_back(separator);
  doubleQuotes(path, 0);
  // Native names may hold line breaks and bytes that are no UTF-8 (csv_native_names.h).
  const bool nativeNames = separator == u'/';
  if (nativeNames) escapeNativeCsvName(path, 0);

  // Root row: its own totals, attributes 0 and the drive columns.
  if (!reserveRow(path.size())) return false;
  buffer.put(u'"');
  buffer.put(path);
  buffer.put(u"\",");
  buffer.putNumber(logicalSize(tree, root));
  buffer.put(u',');
  buffer.putNumber(rootTotals ? rootTotals->onDisk : onDiskSize(tree, root));
  buffer.put(u',');
  writeTime(buffer, rootTotals ? rootTotals->latestTime : modifiedTime(tree, root));
  buffer.put(u",0,");
  buffer.putNumber(rootTotals ? rootTotals->files : 0);
  buffer.put(u',');
  buffer.putNumber(rootTotals ? rootTotals->folders : 0);
  buffer.put(u',');
  buffer.putNumber(job.volume.capacity);
  buffer.put(u',');
  buffer.putNumber(job.volume.freeBytes);
  buffer.put(u',');
  buffer.putNumber(job.volume.capacity - job.volume.freeBytes);
  buffer.put(u",0");
  if (!endRow()) return false;
  if (!rootIsFolder) return true;
  totals[rank.rank(root)].pathLength = static_cast<int64_t>(path.size());

  std::vector<int32_t> stack;
  std::vector<ChildEntry> children;
  std::u16string names;
  auto pushChildren = [&](int32_t folder) {
    sortChildren(tree, folder, children, names);
    for (size_t i = children.size(); i-- > 0;) stack.push_back(children[i].node);
  };
  pushChildren(root);

  while (!stack.empty()) {
    int32_t n = stack.back();
    stack.pop_back();
    const TreeNode& node = tree.node(n);
    bool folder = (node.flags & kNodeFolder) != 0;
    path.resize(static_cast<size_t>(totals[rank.rank(node.parent)].pathLength));
    size_t nameStart = path.size();
    appendName(tree, n, path);
    doubleQuotes(path, nameStart);
    if (nativeNames) escapeNativeCsvName(path, nameStart);
    if (folder) {
      path.push_back(separator);
    } else if (path.find(u'.', nameStart) == std::u16string::npos) {
      path.push_back(u'.');
    }

    if (!reserveRow(path.size())) return false;
    buffer.put(u'"');
    buffer.put(path);
    buffer.put(u"\",");
    buffer.putNumber(logicalSize(tree, n));
    buffer.put(u',');
    if (folder) {
      FolderTotals& own = totals[rank.rank(n)];
      own.pathLength = static_cast<int64_t>(path.size());
      buffer.putNumber(own.onDisk);
      buffer.put(u',');
      writeTime(buffer, own.latestTime);
      buffer.put(u',');
      buffer.putNumber(attributes(tree, n));
      buffer.put(u',');
      buffer.putNumber(own.files);
      buffer.put(u',');
      buffer.putNumber(own.folders);
    } else {
      buffer.putNumber(onDiskSize(tree, n));
      buffer.put(u',');
      writeTime(buffer, modifiedTime(tree, n));
      buffer.put(u',');
      buffer.putNumber(attributes(tree, n));
      buffer.put(u",0,0");
    }
    if (!endRow()) return false;
    if (folder) pushChildren(n);
  }
  return buffer.used == 0 || writeFileChunk(job.writer, buffer.units.data(), buffer.used);
}

}  // namespace

// --- Entry -------------------------------------------------------------------------------------------
bool exportCsvWithVolume(const Tree& tree, std::u16string_view path, const VolumeSummary& volume,
                         ScanProgress& progress, ExportFailure& failure) {
  uint32_t error = 0;
  FileWriter* writer = openFileWriter(path, error);
  if (!writer) {
    failure = {ExportFailureReason::System, error};
    return false;
  }
  ExportJob job{&tree, writer, &progress, {}, volume};
  job.title.append(kCsvTitlePrefix);
  job.title.append(volume.label);
  job.title.append(kCsvTitleSeparator);
  job.title.append(volume.fileSystem);

  bool bodyOk = false;
  bool outOfMemory = startEngineThread([&job, &bodyOk] { bodyOk = runExportBody(job); }) == kExitOutOfMemory;
  bool complete = bodyOk && !outOfMemory;
  uint32_t writeError = closeFileWriter(writer, complete);
  if (complete && writeError == 0) return true;

  if (writeError) failure = {ExportFailureReason::System, writeError};
  else if (outOfMemory) failure = {ExportFailureReason::OutOfMemory, 0};
  else failure = {ExportFailureReason::Stopped, 0};
  return false;
}

bool exportCsv(const Tree& tree, std::u16string_view path, ScanProgress& progress,
               ExportFailure& failure) {
  const SourceVolume& source = tree.sourceVolume;
  VolumeSummary volume = source.known ? VolumeSummary{source.label, source.fileSystem, source.capacity, source.freeBytes}
                                  : volumeSummaryFor(tree.rootPath);
  return exportCsvWithVolume(tree, path, volume, progress, failure);
}
