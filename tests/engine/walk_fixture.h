// Helpers for walk tests on real folder trees: building files, walking a folder into
// a finalized tree, and describing a tree or a folder on disk as comparable maps.
#pragma once
#include "engine/tree.h"
#include "base/utf.h"
#include "engine/walk.h"
#include "tests/support/temp_dir.h"
#include <filesystem>
#include <map>
#include <string>

struct WalkEntry {
  bool isFolder = false;
  int64_t size = 0;
  bool operator==(const WalkEntry&) const = default;
};
// Relative path (always '/'-separated, UTF-16) -> entry.
using WalkEntries = std::map<std::u16string, WalkEntry>;

inline std::u16string walkRootOf(const std::string& utf8Path) {
  std::u16string s = utf16FromUtf8(utf8Path);
  for (char16_t& c : s)
    if (c == u'/' || c == u'\\') c = kPathSeparator;
  return s;
}

inline void writeSizedFile(const std::string& path, size_t bytes) { writeTestFile(path, std::string(bytes, 'm')); }

// Every node below the root with its logical size (folders: the finalized sums).
inline WalkEntries entriesOfTree(const Tree& tree) {
  WalkEntries out;
  struct Item { int32_t node; std::u16string path; };
  std::vector<Item> stack{{tree.rootIndex, u""}};
  while (!stack.empty()) {
    Item item = stack.back();
    stack.pop_back();
    for (int32_t c = tree.node(item.node).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
      std::u16string path = item.path.empty() ? nodeName(tree, c) : item.path + u"/" + nodeName(tree, c);
      bool folder = tree.node(c).flags & kNodeFolder;
      out[path] = {folder, logicalSize(tree, c)};
      if (folder) stack.push_back({c, path});
    }
  }
  return out;
}

// The same description read from disk with the standard library, links not followed.
// Folder sizes are the sums of the files below them.
inline WalkEntries entriesOnDisk(const std::string& root) {
  namespace fs = std::filesystem;
  WalkEntries out;
  fs::path base = fs::u8path(root);
  for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator(); ++it) {
    std::u16string key = fs::relative(it->path(), base).generic_u16string();
    bool folder = it->is_directory() && !it->is_symlink();
    int64_t size = it->is_regular_file() && !it->is_symlink() ? static_cast<int64_t>(it->file_size()) : 0;
    out[key] = {folder || (it->is_symlink() && fs::is_directory(it->path())), size};
    for (size_t cut = 0; size && (cut = key.find(u'/', cut)) != std::u16string::npos; cut++)
      out[key.substr(0, cut)].size += size;
  }
  return out;
}

// A finalized walk of a folder, released with the object.
struct WalkedTree {
  Tree tree;
  ScanProgress progress;
  explicit WalkedTree(const std::string& root) { initTree(tree); walk(root); }
  WalkedTree() { initTree(tree); }
  ~WalkedTree() { releaseTree(tree); }
  WalkedTree(const WalkedTree&) = delete;
  WalkedTree& operator=(const WalkedTree&) = delete;
  void walk(const std::string& root) {
    walkScan(tree, walkRootOf(root), progress);
    finalizeTree(tree);
  }
  int32_t find(std::u16string_view relative) const {
    if (relative.empty()) return tree.rootIndex;
    std::u16string full = tree.rootPath;
    if (full.back() != kPathSeparator) full += kPathSeparator;
    for (char16_t c : relative) full += c == u'/' ? kPathSeparator : c;
    return findNodeByPath(tree, full);
  }
};
