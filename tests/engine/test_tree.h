// A tree owned by a test, with short helpers for adding nodes.
#pragma once
#include "engine/tree.h"
#include <string_view>

struct TestTree {
  Tree tree;
  TestTree() { initTree(tree); }
  ~TestTree() { releaseTree(tree); }
  TestTree(const TestTree&) = delete;
  TestTree& operator=(const TestTree&) = delete;

  int32_t root(std::u16string_view path) {
    int32_t r = addNode(tree, kNoNode, path.data(), path.size(), 0, 0, true);
    tree.rootIndex = r;
    tree.rootPath = std::u16string(path);
    return r;
  }
  int32_t folder(int32_t parent, std::u16string_view name) {
    return addNode(tree, parent, name.data(), name.size(), 0, 0, true);
  }
  int32_t file(int32_t parent, std::u16string_view name, int64_t size = 0) {
    return addNode(tree, parent, name.data(), name.size(), size, size ? 4096 : 0, false);
  }
  int32_t add(int32_t parent, std::u16string_view name, int64_t size = 0, int64_t onDisk = 0, bool isFolder = false) {
    return addNode(tree, parent, name.data(), name.size(), size, onDisk, isFolder);
  }
};

// The platform's separator inside a test path written with '\'.
inline std::u16string nativePath(std::u16string_view windowsStyle) {
  std::u16string s(windowsStyle);
  for (char16_t& c : s)
    if (c == u'\\') c = kPathSeparator;
  return s;
}
