// Paths of nodes: building a node's full path and finding a node by path.
#include "engine/tree.h"
#include <vector>

namespace {
bool endsWithSeparator(std::u16string_view s, char16_t separator = kPathSeparator) {
  return !s.empty() && s.back() == separator;
}
}  // namespace

std::u16string nodePath(const Tree& tree, int32_t node) {
  // An imported tree keeps the separator of the build that wrote the file.
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  std::vector<int32_t> chain;
  for (int32_t i = node; i >= 0 && i != tree.rootIndex; i = tree.node(i).parent) chain.push_back(i);
  std::u16string path = tree.rootPath;
  for (size_t k = chain.size(); k-- > 0;) {
    if (!endsWithSeparator(path, separator)) path.push_back(separator);
    NodeNameView name = nodeNameView(tree, chain[k]);
    for (size_t i = 0; i < name.length; i++) path.push_back(name[i]);
  }
  return path;
}

int32_t findNodeByPath(const Tree& tree, std::u16string_view path) {
  if (tree.rootIndex < 0) return kNoNode;
  const char16_t separator = pathSeparatorFor(tree.rootPath);
  // Trailing separators go, but a drive root keeps its own (C:\), and so does /.
  const size_t rootFormLength = separator == u'\\' ? 3 : 1;
  size_t nul = path.find(u'\0');
  if (nul != std::u16string_view::npos) path = path.substr(0, nul);
  while (path.size() > rootFormLength && endsWithSeparator(path, separator)) path.remove_suffix(1);
  if (equalNamesIgnoringCase(path, tree.rootPath)) return tree.rootIndex;

  std::u16string_view root = tree.rootPath;
  size_t prefix = root.size() + (endsWithSeparator(root, separator) ? 0 : 1);
  if (path.size() <= prefix || !equalNamesIgnoringCase(path.substr(0, root.size()), root) ||
      path[prefix - 1] != separator)
    return kNoNode;

  int32_t current = tree.rootIndex;
  std::u16string_view rest = path.substr(prefix);
  while (true) {
    size_t cut = rest.find(separator);
    std::u16string_view component = rest.substr(0, cut);
    int32_t child = tree.node(current).firstChild;
    while (child >= 0 && !nodeNameEquals(tree, child, component, true)) child = tree.node(child).nextSibling;
    if (child < 0) return kNoNode;
    current = child;
    if (cut == std::u16string_view::npos) return current;
    rest = rest.substr(cut + 1);
  }
}
