#include "ui/extension_rows.h"

#include "engine/extensions.h"
#include "ui/listed_files.h"
#include <algorithm>
#include <optional>
#include <string_view>

namespace {

// A stored name as UTF-16 units, without allocating; names hold at most 255 units.
std::u16string_view widenName(const Tree& tree, int32_t node, char16_t (&buffer)[kMaxNameLength + 1]) {
  NodeNameView name = nodeNameView(tree, node);
  if (name.wide) return {name.wide, name.length};
  for (size_t i = 0; i < name.length; i++) buffer[i] = name.bytes[i];
  return {buffer, name.length};
}

// The row a file is counted in: its type as the statistics take it ("" for none or an
// empty one), or none for a type longer than any row holds.
bool typeOfFile(std::u16string_view name, std::u16string& out) {
  std::optional<std::u16string> ext = extensionOf(name);
  out = ext ? std::move(*ext) : std::u16string();
  return out.size() <= 16;
}

template <typename T>
int compareValues(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

int compareColumn(const std::vector<ExtensionEntry>& entries, int32_t column, int32_t a, int32_t b) {
  const ExtensionEntry& x = entries[a];
  const ExtensionEntry& y = entries[b];
  switch (column) {
    case kExtensionName: {
      int c = x.extension.compare(y.extension);
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case kExtensionCategory: {
      std::u16string_view cx = categoryOfExtension(x.extension), cy = categoryOfExtension(y.extension);
      return cx < cy ? -1 : cx == cy ? 0 : 1;
    }
    case kExtensionFiles: return compareValues(x.fileCount, y.fileCount);
    default: return compareValues(x.bytes, y.bytes);   // Size and Share
  }
}

}  // namespace

void buildExtensionRows(ExtensionRows& rows, const Tree& tree, int32_t viewRoot, const float* weights,
                        uint64_t weightCount, bool onDisk) {
  ExtensionTable table;
  char16_t buffer[kMaxNameLength + 1];
  forEachListedFile(tree, viewRoot, weights, weightCount, [&](int32_t node) {
    addFile(table, widenName(tree, node, buffer), onDisk ? onDiskSize(tree, node) : logicalSize(tree, node), true);
  });
  sortExtensionTable(table);
  rows.entries = std::move(table.entries);
  sortExtensionRows(rows);
}

void sortExtensionRows(ExtensionRows& rows) {
  const size_t count = rows.entries.size();
  rows.order.resize(count);
  for (size_t i = 0; i < count; i++) rows.order[i] = static_cast<int32_t>(i);
  const int32_t column = rows.sortedColumn;
  const bool ascending = rows.ascending;
  auto before = [&](int32_t a, int32_t b) {
    int c = compareColumn(rows.entries, column, a, b);
    if (c != 0) return ascending ? c < 0 : c > 0;
    if (rows.entries[a].bytes != rows.entries[b].bytes) return rows.entries[a].bytes > rows.entries[b].bytes;
    return a < b;
  };
  std::make_heap(rows.order.begin(), rows.order.end(), before);
  std::sort_heap(rows.order.begin(), rows.order.end(), before);
}

bool extensionsColumnClicked(ExtensionRows& rows, int32_t column) {
  if (column < 0 || column >= kExtensionColumnCount) return false;
  auto byText = [](int32_t c) { return c == kExtensionName || c == kExtensionCategory || c == kExtensionFiles; };
  if (column == rows.sortedColumn) {
    rows.ascending = !rows.ascending;
  } else if (byText(column) || byText(rows.sortedColumn)) {
    rows.ascending = column == kExtensionName || column == kExtensionCategory;
  } else {
    rows.ascending = !rows.ascending;   // between Size and Share: the same order, turned
  }
  rows.sortedColumn = column;
  sortExtensionRows(rows);
  return true;
}

const ExtensionEntry* extensionRow(const ExtensionRows& rows, int64_t row) {
  if (row < 0 || static_cast<uint64_t>(row) >= rows.order.size()) return nullptr;
  return &rows.entries[rows.order[static_cast<size_t>(row)]];
}

std::vector<int32_t> extensionRowsToNodes(const ExtensionRows& rows, const std::vector<int64_t>& rowIndices,
                                          const Tree& tree, int32_t viewRoot, const float* weights,
                                          uint64_t weightCount) {
  std::vector<const std::u16string*> wanted;
  for (int64_t row : rowIndices)
    if (const ExtensionEntry* e = extensionRow(rows, row)) wanted.push_back(&e->extension);
  std::vector<std::vector<int32_t>> groups(wanted.size());
  if (!wanted.empty()) {
    char16_t buffer[kMaxNameLength + 1];
    std::u16string type;
    forEachListedFile(tree, viewRoot, weights, weightCount, [&](int32_t node) {
      if (!typeOfFile(widenName(tree, node, buffer), type)) return;
      for (size_t i = 0; i < wanted.size(); i++)
        if (*wanted[i] == type) {
          groups[i].push_back(node);
          break;   // a row given twice takes its files once
        }
    });
  }
  std::vector<int32_t> nodes;
  for (const std::vector<int32_t>& group : groups) nodes.insert(nodes.end(), group.begin(), group.end());
  return nodes;
}
