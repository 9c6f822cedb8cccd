// Filters: name patterns, file types and a minimum size, compiled from the filter
// bar's texts and applied to a tree as one weight per node.
//
// Threading: runs on the thread that owns the tree.
#pragma once
#include "engine/tree.h"
#include <string>
#include <string_view>
#include <vector>

struct CompiledFilter {
  std::vector<std::u16string> patterns;     // upper-cased; plain words wrapped in *
  std::vector<std::u16string> extensions;   // upper-cased, without dots
  int64_t minimumSize = 0;                  // bytes; 0 = none
};

bool isFilterActive(const CompiledFilter& filter);

CompiledFilter compileFilter(std::u16string_view namesText, std::u16string_view typesText, int64_t minimumSize);

struct MinimumSize {
  int64_t bytes = 0;
  bool valid = true;
};
// "500 MB", "2 GiB", "1,5 k"; a bare number means megabytes.
MinimumSize parseMinimumSize(std::u16string_view text, bool decimalSizes);

// `?` is any one unit, `*` any run; the pattern is upper-cased already, the
// name is compared through the upper-case table.
bool matchesPattern(std::u16string_view pattern, std::u16string_view name);

// Fills one weight per node (a passing file's size; a folder's subtree sum) and
// returns the number of files that passed an active filter. `marks` (optional,
// one byte per node) drops marked subtrees, or with onlyMarked keeps only them.
int64_t applyFilter(const Tree& tree, const CompiledFilter& filter, bool onDisk,
                    std::vector<float>& weights, const uint8_t* marks, bool onlyMarked);
