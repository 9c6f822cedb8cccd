// Aggregation after a scan, import or deletion; extension statistics; the fixed
// table of file-type categories used by the type filter and the Extensions list.
#pragma once
#include "engine/tree.h"
#include <optional>
#include <string>
#include <string_view>

// finalizeTree, then buildExtensionTable.
void aggregateTree(Tree& tree);
// Replaces the tree's table: every reachable file with a non-empty extension.
void buildExtensionTable(Tree& tree);

// Counts one file into a table under construction. Extensions longer than 16 units
// are skipped; without includeNone, so are names with no or an empty extension,
// which otherwise go to the "" entry.
void addFile(ExtensionTable& table, std::u16string_view name, int64_t bytes, bool includeNone);
// Bytes descending, ties in creation order; drops the lookup index.
void sortExtensionTable(ExtensionTable& table);

// The text after the last dot at position 1 or later, A-Z lower-cased; none without such a dot.
std::optional<std::u16string> extensionOf(std::u16string_view name);

struct FileCategory {
  std::u16string_view name;
  std::u16string_view words;        // " word word " : spaced for whole-word search
  std::u16string_view extensions;   // " ext ext "
};
constexpr int kCategoryCount = 8;
extern const FileCategory kFileCategories[kCategoryCount];

// The first category listing `ext` (lower case already), or -1 / an empty name.
int categoryIndexOfExtension(std::u16string_view ext);
std::u16string_view categoryOfExtension(std::u16string_view ext);
// Bit i set for every category i whose words contain `word` (A-Z lower-cased).
uint32_t categoriesOfWord(std::u16string_view word);
