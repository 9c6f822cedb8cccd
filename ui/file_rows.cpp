#include "ui/file_rows.h"

#include "ui/listed_files.h"
#include <algorithm>

namespace {

// Units [start, start + length) of two names compared through the upper-case table.
int compareSpans(const NodeNameView& a, size_t aStart, size_t aLength, const NodeNameView& b, size_t bStart,
                 size_t bLength, const char16_t* upper) {
  const size_t common = std::min(aLength, bLength);
  for (size_t i = 0; i < common; i++) {
    char16_t x = upper[a[aStart + i]], y = upper[b[bStart + i]];
    if (x != y) return x < y ? -1 : 1;
  }
  return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

size_t extensionStart(const NodeNameView& name) {
  size_t start = name.length;
  while (start > 0 && name[start - 1] != u'.') start--;
  return start <= 1 ? name.length : start;   // no dot, or only a leading one
}

template <typename T>
int compareValues(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// The key alone, in ascending sense.
int compareKey(const FileRows& rows, const FileOrder& order, int32_t a, int32_t b) {
  const Tree& tree = *order.tree;
  switch (rows.key) {
    case FileSortKey::Name: return compareNodeNames(tree, a, b);
    case FileSortKey::Size: return compareValues(fileSizeIn(tree, a, order.onDisk), fileSizeIn(tree, b, order.onDisk));
    case FileSortKey::Type: {
      NodeNameView x = nodeNameView(tree, a), y = nodeNameView(tree, b);
      size_t xs = extensionStart(x), ys = extensionStart(y);
      return compareSpans(x, xs, x.length - xs, y, ys, y.length - ys, upperCaseTable());
    }
    case FileSortKey::Date: return compareValues(modifiedTime(tree, a), modifiedTime(tree, b));
    case FileSortKey::Folder: {
      if (order.folderRank) {
        int c = compareValues(order.folderRank[tree.node(a).parent], order.folderRank[tree.node(b).parent]);
        if (c != 0) return c;
      }
      return compareNodeNames(tree, a, b);
    }
  }
  return 0;
}

struct Before {
  const FileRows& rows;
  const FileOrder& order;
  bool operator()(int32_t a, int32_t b) const { return fileComesBefore(rows, order, a, b); }
};

}  // namespace

int64_t fileSizeIn(const Tree& tree, int32_t node, bool onDisk) {
  return onDisk ? onDiskSize(tree, node) : logicalSize(tree, node);
}

void collectFiles(const Tree& tree, int32_t viewRoot, const float* weights, uint64_t weightCount,
                  std::vector<int32_t>& out) {
  out.clear();
  forEachListedFile(tree, viewRoot, weights, weightCount, [&](int32_t node) { out.push_back(node); });
}

int compareNodeNames(const Tree& tree, int32_t a, int32_t b) {
  NodeNameView x = nodeNameView(tree, a), y = nodeNameView(tree, b);
  return compareSpans(x, 0, x.length, y, 0, y.length, upperCaseTable());
}

void nameExtensionSpan(const Tree& tree, int32_t node, size_t& start, size_t& length) {
  NodeNameView name = nodeNameView(tree, node);
  start = extensionStart(name);
  length = name.length - start;
}

bool fileComesBefore(const FileRows& rows, const FileOrder& order, int32_t a, int32_t b) {
  if (rows.key != FileSortKey::Size) {
    int c = compareKey(rows, order, a, b);
    if (c != 0) return rows.ascending ? c < 0 : c > 0;
    int64_t sa = fileSizeIn(*order.tree, a, order.onDisk), sb = fileSizeIn(*order.tree, b, order.onDisk);
    if (sa != sb) return sa > sb;
    return a < b;
  }
  // The size key is its own first tie-break: only its direction matters.
  int64_t sa = fileSizeIn(*order.tree, a, order.onDisk), sb = fileSizeIn(*order.tree, b, order.onDisk);
  if (sa != sb) return rows.ascending ? sa < sb : sa > sb;
  return a < b;
}

void sortFileRows(FileRows& rows, const FileOrder& order) {
  rows.ordered = 0;
  orderThroughRow(rows, order, 0);
}

void orderThroughRow(FileRows& rows, const FileOrder& order, size_t row) {
  const size_t count = rows.nodes.size();
  if (row < rows.ordered || rows.ordered >= count) return;
  const size_t target = std::min(count, row + kOrderedStep);
  // A heap of the smallest `target - ordered` of the unordered rest, then sorted.
  std::partial_sort(rows.nodes.begin() + static_cast<ptrdiff_t>(rows.ordered),
                    rows.nodes.begin() + static_cast<ptrdiff_t>(target), rows.nodes.end(), Before{rows, order});
  rows.ordered = target;
}

int32_t fileRowNode(FileRows& rows, const FileOrder& order, int64_t row) {
  if (row < 0 || static_cast<uint64_t>(row) >= rows.nodes.size()) return -1;
  orderThroughRow(rows, order, static_cast<size_t>(row));
  return rows.nodes[static_cast<size_t>(row)];
}

std::vector<int32_t> fileRowsToNodes(FileRows& rows, const FileOrder& order, const std::vector<int64_t>& rowIndices) {
  int64_t last = -1;
  for (int64_t row : rowIndices)
    if (row >= 0 && static_cast<uint64_t>(row) < rows.nodes.size()) last = std::max(last, row);
  if (last >= 0) orderThroughRow(rows, order, static_cast<size_t>(last));
  std::vector<int32_t> nodes;
  nodes.reserve(rowIndices.size());
  for (int64_t row : rowIndices)
    if (row >= 0 && static_cast<uint64_t>(row) < rows.nodes.size()) nodes.push_back(rows.nodes[static_cast<size_t>(row)]);
  return nodes;
}

void buildFolderRanks(const Tree& tree, std::vector<int32_t>& ranks) {
  ranks.assign(static_cast<size_t>(tree.nodeCount), -1);
  if (tree.rootIndex < 0) return;
  std::vector<int32_t> stack{tree.rootIndex};
  std::vector<int32_t> children;
  int32_t next = 0;
  while (!stack.empty()) {
    int32_t folder = stack.back();
    stack.pop_back();
    ranks[folder] = next++;
    children.clear();
    for (int32_t c = tree.node(folder).firstChild; c != kNoNode; c = tree.node(c).nextSibling)
      if (tree.node(c).flags & kNodeFolder) children.push_back(c);
    // Pushed last-first, so the first by name comes off the stack next; names equal
    // but for case keep index order, so ranks never depend on the sort's whims.
    std::sort(children.begin(), children.end(), [&](int32_t a, int32_t b) {
      int c = compareNodeNames(tree, a, b);
      return c != 0 ? c > 0 : a > b;
    });
    stack.insert(stack.end(), children.begin(), children.end());
  }
}

FileSortKey fileSortKeyOfColumn(int32_t column) {
  switch (column) {
    case kFileName: return FileSortKey::Name;
    case kFileType: return FileSortKey::Type;
    case kFileDate: return FileSortKey::Date;
    case kFileFolder: return FileSortKey::Folder;
    default: return FileSortKey::Size;   // Size and Share
  }
}

bool filesColumnClicked(FileRows& rows, int32_t column) {
  if (column < 0 || column >= kFileColumnCount) return false;
  FileSortKey key = fileSortKeyOfColumn(column);
  if (key == rows.key) {
    rows.ascending = !rows.ascending;
  } else {
    rows.key = key;
    rows.ascending = key == FileSortKey::Name || key == FileSortKey::Type || key == FileSortKey::Folder;
  }
  rows.sortedColumn = column;
  rows.ordered = 0;
  return true;
}
