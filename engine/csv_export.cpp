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

// A node's name units, copied from its stored form (one byte or two per unit).
void appendName(const Tree& tree, int32_t node, std::u16string& out) {
  NodeNameView name = nodeNameView(tree, node);
  size_t start = out.size();
  out.resize(start + name.length);
  if (name.wide) {
    std::memcpy(out.data() + start, name.wide, name.length * sizeof(char16_t));
  } else {
    for (size_t i = 0; i < name.length; i++) out[start + i] = name.bytes[i];
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

// The totals of every reachable folder, one record each, found through the rank of
// the folder's node.
struct FolderTable {
  FolderRank rank;
  std::vector<FolderTotals> totals;

  FolderTotals& of(int32_t folder) { return totals[rank.rank(folder)]; }
};

void totalFolders(const Tree& tree, FolderTable& table) {
  const int32_t root = tree.rootIndex;
  // Reachable folders, found by a walk over the child lists (detached nodes are in none).
  table.rank.build(tree.nodeCount);
  for (int32_t n = root;;) {
    const TreeNode& node = tree.node(n);
    if (node.flags & kNodeFolder) table.rank.set(n);
    if ((node.flags & kNodeFolder) && node.firstChild != kNoNode) { n = node.firstChild; continue; }
    while (n != root && tree.node(n).nextSibling == kNoNode) n = tree.node(n).parent;
    if (n == root) break;
    n = tree.node(n).nextSibling;
  }
  table.totals.assign(table.rank.finish(), FolderTotals{});

  // Totals in post-order: a node is finished when the walk leaves it.
  auto finish = [&](int32_t n) {
    if (n == root) return;
    const TreeNode& node = tree.node(n);
    FolderTotals& parent = table.of(node.parent);
    if (node.flags & kNodeFolder) {
      const FolderTotals& own = table.of(n);
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
    if (node.flags & kNodeFolder) table.of(n).latestTime = modifiedTime(tree, n);
    if ((node.flags & kNodeFolder) && node.firstChild != kNoNode) { n = node.firstChild; continue; }
    finish(n);
    while (n != root && tree.node(n).nextSibling == kNoNode) {
      n = tree.node(n).parent;
      finish(n);
    }
    if (n == root) break;
    n = tree.node(n).nextSibling;
  }
}

// The columns every row has; a file counts no files and no folders.
struct RowFigures {
  int64_t logical = 0;
  int64_t onDisk = 0;
  int64_t latestTime = 0;
  uint32_t attributes = 0;
  uint32_t files = 0;
  uint32_t folders = 0;
};

// Rows go into the text buffer, which is handed to the file writer when full.
struct RowWriter {
  TextBuffer buffer;
  FileWriter* writer;
  ScanProgress& progress;

  // Makes room for a row whose path has `pathUnits` units; an enormous path grows the buffer.
  bool reserve(size_t pathUnits) {
    size_t need = pathUnits + kRowOverheadUnits;
    if (buffer.used + need > buffer.units.size()) {
      if (buffer.used && !writeFileChunk(writer, buffer.units.data(), buffer.used)) return false;
      buffer.used = 0;
      if (need > buffer.units.size()) buffer.units.resize(need);
    }
    return true;
  }
  // "path",logical,on disk,time,attributes,files,folders
  void putColumns(std::u16string_view path, const RowFigures& f) {
    buffer.put(u'"');
    buffer.put(path);
    buffer.put(u"\",");
    buffer.putNumber(f.logical);
    buffer.put(u',');
    buffer.putNumber(f.onDisk);
    buffer.put(u',');
    writeTime(buffer, f.latestTime);
    buffer.put(u',');
    buffer.putNumber(f.attributes);
    buffer.put(u',');
    buffer.putNumber(f.files);
    buffer.put(u',');
    buffer.putNumber(f.folders);
  }
  // After each row: progress, the stop request and the regular hand-over to the writer.
  bool endRow() {
    size_t beforeLineEnd = buffer.used;
    buffer.put(u"\r\n");
    progress.done.fetch_add(1, std::memory_order_relaxed);
    if (progress.cancel.load(std::memory_order_relaxed)) return false;
    if (beforeLineEnd >= kFlushUnits) {
      if (!writeFileChunk(writer, buffer.units.data(), buffer.used)) return false;
      buffer.used = 0;
    }
    return true;
  }
  bool finish() { return buffer.used == 0 || writeFileChunk(writer, buffer.units.data(), buffer.used); }
};

// Returns false when stopped or when the file writer failed.
bool runExportBody(ExportJob& job) {
  const Tree& tree = *job.tree;
  if (tree.rootIndex < 0) return false;
  const int32_t root = tree.rootIndex;
  prepareLocalTime();

  FolderTable folders;
  totalFolders(tree, folders);
  const bool rootIsFolder = (tree.node(root).flags & kNodeFolder) != 0;
  const FolderTotals* rootTotals = rootIsFolder ? &folders.of(root) : nullptr;
  job.progress->total = rootTotals ? int64_t{rootTotals->files} + rootTotals->folders + 1 : 1;

  RowWriter rows{{}, job.writer, *job.progress};
  rows.buffer.units.resize(kBufferUnits);
  rows.buffer.put(u'\uFEFF');
  rows.buffer.put(job.title);
  rows.buffer.put(u"\r\n");
  rows.buffer.putAscii(kCsvHeaderLine);
  rows.buffer.put(u"\r\n");

  char16_t separator = csvSeparatorFor(tree.rootPath);
  std::u16string path(tree.rootPath);
  if (path.empty() || path.back() != separator) path.push_back(separator);
  doubleQuotes(path, 0);
  // Native names may hold line breaks and bytes that are no UTF-8 (csv_native_names.h).
  const bool nativeNames = separator == u'/';
  if (nativeNames) escapeNativeCsvName(path, 0);

  // Root row: its own totals, attributes 0, then the drive columns.
  if (!rows.reserve(path.size())) return false;
  RowFigures rootFigures;
  rootFigures.logical = logicalSize(tree, root);
  rootFigures.onDisk = rootTotals ? rootTotals->onDisk : onDiskSize(tree, root);
  rootFigures.latestTime = rootTotals ? rootTotals->latestTime : modifiedTime(tree, root);
  rootFigures.files = rootTotals ? rootTotals->files : 0;
  rootFigures.folders = rootTotals ? rootTotals->folders : 0;
  rows.putColumns(path, rootFigures);
  rows.buffer.put(u',');
  rows.buffer.putNumber(job.volume.capacity);
  rows.buffer.put(u',');
  rows.buffer.putNumber(job.volume.freeBytes);
  rows.buffer.put(u',');
  rows.buffer.putNumber(job.volume.capacity - job.volume.freeBytes);
  rows.buffer.put(u",0");
  if (!rows.endRow()) return false;
  if (!rootIsFolder) return true;
  folders.of(root).pathLength = static_cast<int64_t>(path.size());

  // Child rows depth-first, each folder's children in listing order.
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
    path.resize(static_cast<size_t>(folders.of(node.parent).pathLength));
    size_t nameStart = path.size();
    appendName(tree, n, path);
    doubleQuotes(path, nameStart);
    if (nativeNames) escapeNativeCsvName(path, nameStart);
    if (folder) {
      path.push_back(separator);
    } else if (path.find(u'.', nameStart) == std::u16string::npos) {
      path.push_back(u'.');
    }

    if (!rows.reserve(path.size())) return false;
    RowFigures figures;
    figures.logical = logicalSize(tree, n);
    figures.attributes = attributes(tree, n);
    if (folder) {
      FolderTotals& own = folders.of(n);
      own.pathLength = static_cast<int64_t>(path.size());
      figures.onDisk = own.onDisk;
      figures.latestTime = own.latestTime;
      figures.files = own.files;
      figures.folders = own.folders;
    } else {
      figures.onDisk = onDiskSize(tree, n);
      figures.latestTime = modifiedTime(tree, n);
    }
    rows.putColumns(path, figures);
    if (!rows.endRow()) return false;
    if (folder) pushChildren(n);
  }
  return rows.finish();
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
