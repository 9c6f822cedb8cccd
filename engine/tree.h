// The engine's chief header: the scan result `Tree` with its `TreeNode` records,
// and `ScanProgress`, shared without locks between a worker and the window.
//
// Threading: a Tree has one writer at a time and no lock (the builder thread while
// scanning or importing, then the window thread). The upper-case table
// (platform/text.h) is the only process-wide state it reads.
//
// Sections: constants · TreeNode · side tables · extension table · Tree ·
//           operations · progress
#pragma once
#include "base/path_text.h"
#include "engine/names.h"
#include "platform/arena.h"
#include "platform/file_attributes.h"
#include "platform/text.h"
#include "platform/time.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// --- Constants -------------------------------------------------------------------
constexpr int32_t kNoNode = -1;
constexpr int64_t kMaxNodeSize = 0x7FFFFFFFFFFF;      // larger sizes go to the large-size table
constexpr uint32_t kNoTime = 0xFFFFFFFF;               // modifiedTimes: no time known
constexpr uint32_t kTimeInExceptions = 0xFFFFFFFE;     // modifiedTimes: see timeExceptions
constexpr uint8_t kAttributesInExceptions = 255;       // attributeIndexes: see attributeExceptions
constexpr int kMaxNameLength = 255;

// --- TreeNode --------------------------------------------------------------------
enum NodeFlags : uint8_t {
  kNodeFolder = 1,
  kNodeWideName = 2,
  kNodeOnDiskZero = 4,
  kNodeOnDiskListed = 8,
  kNodePending = 16,      // found but not yet listed: a continued walk reads it
  kNodeUnreadable = 32,   // could not be opened for listing
  kNodeDetached = 64,     // not reachable from the root after finalizing
  kNodeLargeSize = 128,   // size is in the large-size table
};

struct TreeNode {
  int64_t size : 48;          // logical bytes; folders: the sum after finalizing
  uint64_t nameLength : 8;    // code units, at most 255
  uint64_t flags : 8;         // NodeFlags
  int32_t parent;             // kNoNode for the root and unattached nodes
  int32_t firstChild;
  int32_t nextSibling;
  uint32_t nameOffset;        // byte offset in the name pool
};
static_assert(sizeof(TreeNode) == 24, "a node record is 24 bytes");

// --- Side tables (heap arrays sorted by node) ----------------------------------------
struct NodeSize { int32_t node; int64_t bytes; };
struct NodeOnDisk { int32_t node; uint64_t bytes; };
struct NodeTime { int32_t node; int64_t filetime; };
struct NodeAttributes { int32_t node; uint32_t attributes; };
struct UnreadableFolder { int32_t node; int32_t error; };

// --- Extension table ---------------------------------------------------------------
struct ExtensionEntry {
  std::u16string extension;   // lower-cased A-Z; empty = the no-extension bucket
  uint64_t fileCount = 0;
  int64_t bytes = 0;
};

struct ExtensionTable {
  std::vector<ExtensionEntry> entries;
  // Only while building: slot -> entry number (-1 empty), and each entry's hash.
  std::vector<int32_t> slots;
  std::vector<uint32_t> hashes;
};

// --- Tree --------------------------------------------------------------------------
// The volume a tree was read from when this machine cannot be asked about it: an
// imported export's title and drive columns, an NTFS image's own size. An export of the
// tree writes these instead of the figures of the disk that holds rootPath now.
struct SourceVolume {
  bool known = false;
  std::u16string label;
  std::u16string fileSystem;
  int64_t capacity = 0;
  int64_t freeBytes = 0;
};

struct Tree {
  Arena nodeArena;          // TreeNode[]
  Arena namePool;           // bytes
  Arena timeArena;          // uint32_t modifiedTimes[]
  Arena attributeArena;     // uint8_t attributeIndexes[]
  int64_t nodeCount = 0;
  uint64_t namePoolUsed = 0;

  std::vector<uint32_t> attributePalette;        // starts as {0}
  std::vector<NodeSize> largeSizes;
  std::vector<NodeOnDisk> onDiskExceptions;
  std::vector<NodeTime> timeExceptions;
  std::vector<NodeAttributes> attributeExceptions;
  ExtensionTable extensions;

  std::u16string rootPath;
  SourceVolume sourceVolume;
  std::vector<uint64_t> hardLinkBitmap;          // one bit per file record number
  // File ids beyond the bitmap's range (64-bit inode numbers natively): an
  // open-addressing set of id + 1, 0 = empty slot.
  std::vector<uint64_t> hardLinkLargeIds;
  int64_t hardLinkLargeIdCount = 0;
  std::vector<UnreadableFolder> unreadableFolders;

  int64_t fileCount = 0;
  int64_t folderCount = 0;
  int64_t pendingFolderCount = 0;
  int64_t unreadableFolderCount = 0;
  int64_t hardLinkCount = 0;
  int64_t streamCount = 0;
  int64_t clusterSize = 4096;
  int32_t rootIndex = kNoNode;
  // Set by finalizeTree, cleared by addNode and detachNode: while set, Detached marks
  // exactly the nodes unreachable from the root, so readers may pass over the nodes in
  // index order instead of following the child lists. Code that rewrites links itself
  // must clear it.
  bool finalized = false;

  NameInternSet names;

  TreeNode* nodes() const { return reinterpret_cast<TreeNode*>(nodeArena.base); }
  uint32_t* modifiedTimes() const { return reinterpret_cast<uint32_t*>(timeArena.base); }
  uint8_t* attributeIndexes() const { return attributeArena.base; }
  TreeNode& node(int32_t index) const { return nodes()[index]; }
};

// --- Operations ----------------------------------------------------------------------
// Both leave the tree empty and ready for nodes, its memory given back; a released tree
// needs no initTree before it is used again.
void initTree(Tree& tree);
void releaseTree(Tree& tree);

// Appends a node (the new index is the previous node count). The name is cut to
// 255 units and interned; a parent >= 0 gets the node at the head of its child list.
int32_t addNode(Tree& tree, int32_t parent, const char16_t* name, size_t length,
                int64_t size, int64_t onDisk, bool isFolder);
void setSize(Tree& tree, int32_t node, int64_t bytes);
void setOnDisk(Tree& tree, int32_t node, int64_t bytes);
void setTimeAndAttributes(Tree& tree, int32_t node, int64_t filetime, uint32_t attributes);

int64_t logicalSize(const Tree& tree, int32_t node);
int64_t onDiskSize(const Tree& tree, int32_t node);
int64_t modifiedTime(const Tree& tree, int32_t node);   // FILETIME, 0 = none
uint32_t attributes(const Tree& tree, int32_t node);

// A node's stored name without widening: one byte per unit, or UTF-16 units.
struct NodeNameView {
  const uint8_t* bytes = nullptr;     // set for the one-byte form
  const char16_t* wide = nullptr;     // set for the UTF-16 form
  size_t length = 0;
  char16_t operator[](size_t i) const { return wide ? wide[i] : char16_t(bytes[i]); }
};
NodeNameView nodeNameView(const Tree& tree, int32_t node);

std::u16string nodeName(const Tree& tree, int32_t node);
// Compares a node's name with `name` (exactly, or ignoring case as equalNamesIgnoringCase
// does) without widening it.
bool nodeNameEquals(const Tree& tree, int32_t node, std::u16string_view name, bool ignoreCase);
// Both join and split a tree's paths with the separator of its root path.
std::u16string nodePath(const Tree& tree, int32_t node);
int32_t findNodeByPath(const Tree& tree, std::u16string_view path);

// Detach marking, folder sums, counts, size-descending child order, memory give-back.
void finalizeTree(Tree& tree);
// Unlinks a node from its parent's list; the next finalizeTree marks its subtree Detached.
void detachNode(Tree& tree, int32_t node);
// The "Tree memory" figure.
int64_t treeBytes(const Tree& tree);

// Address space reserved per tree array. Tests lower `limit` to force the
// out-of-memory path on small trees; 0 restores the normal reservations.
constexpr uint64_t kNodeArenaReserve = 24ull << 30;
constexpr uint64_t kNamePoolReserve = 4ull << 30;
constexpr uint64_t kTimeArenaReserve = 4ull << 30;
constexpr uint64_t kAttributeArenaReserve = 1ull << 30;
constexpr uint64_t kNameInternReserve = 16ull << 30;   // 2^31 entries of 8 bytes
void setTreeReservationLimitForTesting(uint64_t limit);
// Arena reservation for one tree array, honouring the testing limit.
uint64_t treeReservation(uint64_t normal);

// --- Progress -----------------------------------------------------------------------------
// Shared without locks between a scan, import or export thread and the window.
struct ScanProgress {
  std::atomic<int64_t> done{0};
  std::atomic<int64_t> total{0};
  std::atomic<uint8_t> cancel{0};
};
