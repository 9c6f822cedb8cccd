// The rows of the Files and Extensions lists as the window keeps them: node indices
// of the shown tree (Files) or one record per file type (Extensions), their sort
// state, and what they were built for. The list views are virtual: they hold only
// the row count, and every cell is read from these rows and the tree when drawn.
//
// Threading: window thread, inside the ViewState.
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <string>
#include <vector>

// Columns, in the order the list views show them.
enum FileColumn : int32_t { kFileName, kFileSize, kFileShare, kFileType, kFileDate, kFileFolder, kFileColumnCount };
enum ExtensionColumn : int32_t {
  kExtensionName, kExtensionCategory, kExtensionFiles, kExtensionSize, kExtensionShare, kExtensionColumnCount
};

enum class FileSortKey : int32_t { Name = 0, Size = 1, Type = 2, Date = 3, Folder = 4 };

// What a row set was built from; any change means the rows are stale. The scan
// generation tells a new tree from an old one at the same address.
struct ListStamp {
  const Tree* tree = nullptr;
  uint32_t scanGeneration = 0;
  int32_t viewRoot = -1;
  uint32_t filterGeneration = 0;
  int32_t view = -1;            // MainView; -1: not built
  bool operator==(const ListStamp&) const = default;
};

struct FileRows {
  std::vector<int32_t> nodes;   // every listed file, in order up to `ordered`
  size_t ordered = 0;           // leading rows already in sort order
  FileSortKey key = FileSortKey::Size;
  bool ascending = false;
  int32_t sortedColumn = kFileSize;   // the header's arrow
  // Folder ranks (one per node) for the folder key, built when that key is chosen,
  // for the tree of `rankStamp`.
  std::vector<int32_t> folderRank;
  ListStamp rankStamp;
};

struct ExtensionRows {
  std::vector<ExtensionEntry> entries;   // by size, largest first; ties in order of appearance
  std::vector<int32_t> order;            // row -> entry, sorted by the sorted column
  int32_t sortedColumn = kExtensionSize;
  bool ascending = false;
};

struct ListRows {
  FileRows files;
  ExtensionRows types;
  ListStamp stamp;              // of the rows of the view in `stamp.view`
  int64_t viewTotal = 0;        // the view root's shown size; every Share is of it
  std::u16string viewPath;      // the view root's path with a trailing separator
  int64_t rememberedRow = -1;   // row to select after marking from the list
};
