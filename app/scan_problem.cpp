#include "app/scan_problem.h"
#include "platform/text.h"
#include "platform/scan_path.h"

namespace {
std::u16string cannotScan(std::u16string_view folder, uint32_t error) {
  return u"Cannot scan " + std::u16string(folder) + u": " + systemErrorText(error);
}
}  // namespace

std::u16string folderScanProblem(std::u16string_view folder) {
  uint32_t error = folderOpenError(folder);
  return error ? cannotScan(folder, error) : std::u16string();
}

std::u16string rootScanProblem(const Tree& tree) {
  if (tree.rootIndex < 0 || !(tree.node(tree.rootIndex).flags & kNodeUnreadable)) return {};
  for (const UnreadableFolder& folder : tree.unreadableFolders)
    if (folder.node == tree.rootIndex) return cannotScan(tree.rootPath, static_cast<uint32_t>(folder.error));
  return {};
}
