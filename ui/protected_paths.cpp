#include "ui/protected_paths.h"
#include "platform/scan_path.h"

namespace {

// Trailing separators go, but a drive root keeps its own (C:\), and so does /.
std::u16string_view trimmed(std::u16string_view path, char16_t separator) {
  const size_t shortest = separator == u'\\' ? 3 : 1;
  while (path.size() > shortest && path.back() == separator) path.remove_suffix(1);
  return path;
}

void protect(const Tree& tree, std::vector<uint8_t>& flags, std::u16string_view entry, bool subtree) {
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  entry = trimmed(entry, separator);
  if (entry.empty()) return;
  if (subtree && isPathUnder(tree.rootPath, entry)) {
    flags[tree.rootIndex] = kProtectedSubtree;
    return;
  }
  if (!isPathUnder(entry, tree.rootPath)) return;
  int32_t node = findNodeByPath(tree, entry);
  if (node < 0 || flags[node] == kProtectedSubtree) return;
  flags[node] = subtree ? kProtectedSubtree : kProtectedNode;
  for (int32_t n = tree.node(node).parent; n >= 0 && n < tree.nodeCount; n = tree.node(n).parent)
    if (flags[n] == kUnprotected) flags[n] = kProtectedNode;
}

}  // namespace

std::vector<uint8_t> protectedFlags(const Tree& tree, const std::vector<std::u16string>& systemFolders,
                                    const std::vector<std::u16string>& policyFolders) {
  std::vector<uint8_t> flags(static_cast<size_t>(tree.nodeCount), kUnprotected);
  if (tree.rootIndex < 0) return flags;
  flags[tree.rootIndex] = kProtectedNode;
  std::vector<std::u16string> subtrees = systemFolders;
  std::u16string exact;
  const std::u16string& root = tree.rootPath;
  if (root.size() >= 2 && root[1] == u':') {
    const std::u16string drive = root.substr(0, 2) + u'\\';
    for (const char16_t* name : {u"$Recycle.Bin", u"System Volume Information", u"pagefile.sys", u"hiberfil.sys",
                                 u"swapfile.sys"})
      subtrees.push_back(drive + name);
    exact = drive;
  }
  subtrees.insert(subtrees.end(), policyFolders.begin(), policyFolders.end());
  for (const std::u16string& entry : subtrees) protect(tree, flags, entry, true);
  if (!exact.empty()) protect(tree, flags, exact, false);
  return flags;
}

bool isProtectedNode(const Tree& tree, const std::vector<uint8_t>& flags, int32_t node) {
  auto flagOf = [&](int32_t n) -> uint8_t { return static_cast<size_t>(n) < flags.size() ? flags[n] : uint8_t{0}; };
  if (node < 0 || node >= tree.nodeCount) return false;
  if (flagOf(node) == kProtectedNode) return true;
  for (int32_t n = node; n >= 0 && n < tree.nodeCount; n = tree.node(n).parent)
    if (flagOf(n) == kProtectedSubtree) return true;
  return false;
}
