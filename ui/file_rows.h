// The Files list's rows: collecting the files of the view, their order, and the
// ordered prefix. Only the rows someone looks at are ever put in order: a sort
// orders the first 10 000 rows, and a row past the prefix extends it to that row
// plus 10 000, so opening the list of a large drive costs one collection pass and
// one partial sort, and scrolling costs nothing until it leaves the prefix.
//
// Threading: the thread that owns the tree (the window thread).
#pragma once
#include "ui/list_rows.h"
#include <cstdint>
#include <string_view>
#include <vector>

constexpr size_t kOrderedStep = 10000;

// What the order reads besides the rows: the tree, the size mode, and the folder
// ranks (needed for the folder key only).
struct FileOrder {
  const Tree* tree = nullptr;
  bool onDisk = false;
  const int32_t* folderRank = nullptr;
};

// A file's size in the size mode: what the Size column shows and the size key orders by.
int64_t fileSizeIn(const Tree& tree, int32_t node, bool onDisk);

// Every listed file below `viewRoot` (see listed_files.h), depth-first.
void collectFiles(const Tree& tree, int32_t viewRoot, const float* weights, uint64_t weightCount,
                  std::vector<int32_t>& out);

// Whether file `a` comes before `b` under the rows' key and direction. Ties, in either
// direction: the larger file first, then the lower node index.
bool fileComesBefore(const FileRows& rows, const FileOrder& order, int32_t a, int32_t b);

// Puts the first min(rows, 10 000) rows in order (the rest stays as it is).
void sortFileRows(FileRows& rows, const FileOrder& order);
// Makes row `row` part of the ordered prefix, extending it to row + 10 000 (capped).
void orderThroughRow(FileRows& rows, const FileOrder& order, size_t row);
// The node of a row, ordering it first; -1 past the end.
int32_t fileRowNode(FileRows& rows, const FileOrder& order, int64_t row);
// The nodes of the given rows in the order given (rows past the end are left out).
std::vector<int32_t> fileRowsToNodes(FileRows& rows, const FileOrder& order, const std::vector<int64_t>& rowIndices);

// Ranks of all folders reachable from the root: depth-first, each folder before its
// subfolders, subfolders by name (case-insensitive, a shorter name first on an equal
// common part). One entry per node, -1 for files and unreachable nodes.
void buildFolderRanks(const Tree& tree, std::vector<int32_t>& ranks);

// A header click: the column's key; the current key toggles its direction, another
// key starts ascending (name, type, folder) or descending (size, date). False for a
// column that does not exist.
FileSortKey fileSortKeyOfColumn(int32_t column);
bool filesColumnClicked(FileRows& rows, int32_t column);

// Names compared unit by unit through the upper-case table, a shorter name first on
// an equal common part: < 0, 0 or > 0.
int compareNodeNames(const Tree& tree, int32_t a, int32_t b);
// A name's type: the units after its last dot that is not its first unit; empty
// without one. `start` and `length` index the node's name.
void nameExtensionSpan(const Tree& tree, int32_t node, size_t& start, size_t& length);
