#include "ui/deletion_job.h"

// --- Records ---------------------------------------------------------------------------
ScannedEntry scannedEntry(const Tree& tree, int32_t node) {
  ScannedEntry entry;
  if (node < 0 || node >= tree.nodeCount) return entry;
  entry.folder = (tree.node(node).flags & kNodeFolder) != 0;
  entry.link = (attributes(tree, node) & kAttributeReparsePoint) != 0;
  return entry;
}

void fillDeletionJob(DeletionJob& job, const Tree& tree, DeletionMode mode, const std::vector<int32_t>& nodes) {
  job.mode = mode;
  job.rootPath = tree.rootPath;
  job.nodes = nodes;
  job.paths.clear();
  job.scanned.clear();
  for (int32_t node : nodes) {
    job.paths.push_back(nodePath(tree, node));
    job.scanned.push_back(scannedEntry(tree, node));
  }
  job.outcomes.assign(nodes.size(), ItemOutcome{});
  job.progress.store(0);
  job.cancel.store(0);
}

std::vector<int32_t> deletedNodes(const DeletionJob& job) {
  std::vector<int32_t> out;
  for (size_t i = 0; i < job.outcomes.size() && i < job.nodes.size(); i++)
    if (job.outcomes[i].result == kItemDeleted) out.push_back(job.nodes[i]);
  return out;
}

// --- The check ---------------------------------------------------------------------------
ItemChange compareWithScan(const ScannedEntry& scanned, const PathFacts& now) {
  // Removing a link removes only the link, whatever it points at; removing what took
  // a link's place would remove contents nobody saw in the scan.
  if (scanned.link) return now.link ? ItemChange::None : ItemChange::LinkReplaced;
  if (now.link) return ItemChange::BecameLink;
  if (scanned.folder && !now.folder) return ItemChange::FolderBecameFile;
  if (!scanned.folder && now.folder) return ItemChange::FileBecameFolder;
  return ItemChange::None;
}

ItemChange compareFolderOnPath(const PathFacts& now) {
  return now.folder && !now.link ? ItemChange::None : ItemChange::FolderOnPath;
}

std::vector<std::u16string_view> foldersOnPath(std::u16string_view rootPath, std::u16string_view path) {
  std::vector<std::u16string_view> out;
  if (path.size() <= rootPath.size() || path.substr(0, rootPath.size()) != rootPath) return out;
  const char16_t separator = pathSeparatorFor(rootPath);
  size_t at = rootPath.size();
  while (at < path.size() && path[at] == separator) at++;
  for (size_t cut = path.find(separator, at); cut != std::u16string_view::npos; cut = path.find(separator, cut + 1))
    if (cut > at) out.push_back(path.substr(0, cut));
  return out;
}

ItemOutcome checkItem(const DeletionJob& job, size_t index, DeletionBackend& backend, PathFacts& facts) {
  const std::u16string& path = job.paths[index];
  for (std::u16string_view folder : foldersOnPath(job.rootPath, path)) {
    PathFacts on = backend.query(folder);
    if (on.error) return {kItemFailed, on.error, ItemChange::None};
    if (ItemChange change = compareFolderOnPath(on); change != ItemChange::None) return {kItemFailed, 0, change};
  }
  facts = backend.query(path);
  if (facts.error) return {kItemFailed, facts.error, ItemChange::None};
  if (ItemChange change = compareWithScan(job.scanned[index], facts); change != ItemChange::None)
    return {kItemFailed, 0, change};
  return {};
}

// --- The loop ----------------------------------------------------------------------------
void runDeletionJob(DeletionJob& job, DeletionBackend& backend) {
  const size_t count = job.nodes.size();
  for (size_t i = 0; i < count; i++) {
    if (job.cancel.load(std::memory_order_acquire)) break;
    PathFacts facts;
    ItemOutcome outcome = checkItem(job, i, backend, facts);
    if (outcome.result == kItemPending) {
      if (job.mode == DeletionMode::RecycleBin && !backend.hasRecycleBin(job.paths[i])) outcome.result = kItemNoRecycleBin;
      else outcome = backend.remove(job, i, facts);
    }
    job.outcomes[i] = outcome;
    job.progress.store(static_cast<int64_t>(i) + 1, std::memory_order_release);
    backend.progressed(false);
  }
  backend.progressed(true);
}

// --- System codes -------------------------------------------------------------------------
uint32_t windowsCodeOfHresult(uint32_t hresult) {
  if ((hresult & 0xFFFF0000u) == 0x80070000u) return hresult & 0xFFFFu;   // FACILITY_WIN32
  if ((hresult & 0xFFFF0000u) != 0x80270000u) return hresult;             // not the copy engine's
  switch (hresult & 0xFFFFu) {
    case 0: case 1: return 1223;          // ERROR_CANCELLED
    case 2: return 740;                   // ERROR_ELEVATION_REQUIRED
    case 29: case 30: case 56: return 206;   // ERROR_FILENAME_EXCED_RANGE
    case 33: case 34: return 5;           // ERROR_ACCESS_DENIED
    case 35: case 36: return 3;           // ERROR_PATH_NOT_FOUND
    case 39: case 40: return 32;          // ERROR_SHARING_VIOLATION
    case 50: case 51: return 112;         // ERROR_DISK_FULL
    default: return hresult;
  }
}

uint32_t windowsCodeOfShellResult(int32_t result, bool aborted) {
  switch (result) {
    case 0: return aborted ? 1223 : 0;
    case 0x75: return 1223;               // DE_OPCANCELLED
    case 0x78: return 5;                  // DE_ACCESSDENIEDSRC
    case 0x79: case 0x81: case 0xB7: return 206;   // DE_PATHTOODEEP, DE_FILENAMETOOLONG, DE_ERROR_MAX
    case 0x7C: case 0x402: return 3;      // DE_INVALIDFILES, an unknown path
    default: return static_cast<uint32_t>(result);
  }
}
