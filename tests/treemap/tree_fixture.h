// Small trees for the treemap tests: built node by node like a scan, then finalized
// (folder sums, children by size descending).
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <random>
#include <string>

struct FixtureTree {
  Tree tree;
  FixtureTree();
  ~FixtureTree();
  FixtureTree(const FixtureTree&) = delete;
  FixtureTree& operator=(const FixtureTree&) = delete;

  int32_t folder(int32_t parent, const std::u16string& name);
  int32_t file(int32_t parent, const std::u16string& name, int64_t size);
  void finish();
};

// The settings preview's demo tree: folders p (root), 1, 2, 3 and 18 files.
void buildDemoTree(FixtureTree& fixture);

// A random tree of `files` files under up to `folders` folders, depth up to `maxDepth`;
// sizes are drawn from a wide spread, some of them 0.
void buildRandomTree(FixtureTree& fixture, std::mt19937& random, int files, int folders,
                     int maxDepth);
