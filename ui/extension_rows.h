// The Extensions list's rows: one per file type of the view with its file count and
// size, built by the extension statistics, and their order by a clicked column.
//
// Threading: the thread that owns the tree (the window thread).
#pragma once
#include "ui/list_rows.h"
#include <cstdint>
#include <vector>

// Counts every listed file below `viewRoot` (see listed_files.h) by its type, with its
// size in the size mode; files without a type go to the "" row. Rows come by size,
// largest first, ties in order of appearance; then sorted by the sorted column.
void buildExtensionRows(ExtensionRows& rows, const Tree& tree, int32_t viewRoot, const float* weights,
                        uint64_t weightCount, bool onDisk);

// A heap sort of the rows by the sorted column in its direction: Extension by code
// units, Category by the category's name, Files by count, Size and Share by size.
// Equal values: the larger size first, then the earlier row of the size order.
void sortExtensionRows(ExtensionRows& rows);

// A header click: the sorted column toggles its direction; another column starts
// ascending for Extension and Category and descending for Files, Size and Share,
// except that moving between Size and Share toggles. Then sorts. False for a column
// that does not exist.
bool extensionsColumnClicked(ExtensionRows& rows, int32_t column);

// The entry a row shows; null past the end.
const ExtensionEntry* extensionRow(const ExtensionRows& rows, int64_t row);

// Every listed file below `viewRoot` whose type is that of one of the rows, grouped
// by row in the order the rows are given, each group depth-first.
std::vector<int32_t> extensionRowsToNodes(const ExtensionRows& rows, const std::vector<int64_t>& rowIndices,
                                          const Tree& tree, int32_t viewRoot, const float* weights,
                                          uint64_t weightCount);
