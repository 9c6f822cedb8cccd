// Building and reading a tree: nodes, sizes, on-disk sizes, times and attributes.
// One writer at a time, no lock (see tree.h).
#include "engine/tree.h"
#include "engine/names.h"
#include "engine/side_table.h"
#include <cstring>

namespace {
constexpr int64_t kMinNodeSize = -kMaxNodeSize - 1;
constexpr int64_t kMaxStoredSeconds = 42949672939999999;   // 0xFFFFFFFD seconds, in 100-ns units

void reserveArrays(Tree& tree) {
  arenaReserve(tree.nodeArena, treeReservation(kNodeArenaReserve));
  arenaReserve(tree.namePool, treeReservation(kNamePoolReserve));
  arenaReserve(tree.timeArena, treeReservation(kTimeArenaReserve));
  arenaReserve(tree.attributeArena, treeReservation(kAttributeArenaReserve));
}

inline uint64_t roundUpToCluster(int64_t size, int64_t cluster) {
  uint64_t s = static_cast<uint64_t>(size), c = static_cast<uint64_t>(cluster > 0 ? cluster : 1);
  if ((c & (c - 1)) == 0) return (s + c - 1) & ~(c - 1);   // every real cluster size: no division
  return s + c - 1 - ((s + c - 1) % c);
}

uint32_t storedAttributes(const Tree& tree, int32_t node) {
  uint8_t index = tree.attributeIndexes()[node];
  if (index == kAttributesInExceptions) {
    const NodeAttributes* e = findSideEntry(tree.attributeExceptions, node);
    return e ? e->attributes : 0;
  }
  return index < tree.attributePalette.size() ? tree.attributePalette[index] : 0;
}
}  // namespace

void initTree(Tree& tree) {
  releaseTree(tree);
}

void releaseTree(Tree& tree) {
  arenaRelease(tree.nodeArena);
  arenaRelease(tree.namePool);
  arenaRelease(tree.timeArena);
  arenaRelease(tree.attributeArena);
  releaseNameSet(tree.names);
  tree = Tree();   // moving in empty tables gives their memory back
  tree.attributePalette.assign(1, 0);
}

int32_t addNode(Tree& tree, int32_t parent, const char16_t* name, size_t length, int64_t size, int64_t onDisk,
                bool isFolder) {
  if (!tree.nodeArena.base) reserveArrays(tree);
  if (tree.attributePalette.empty()) tree.attributePalette.assign(1, 0);
  int64_t index = tree.nodeCount;
  uint64_t count = static_cast<uint64_t>(index) + 1;
  if (count > 0x80000000ull) failOutOfMemory();   // indices are 32-bit
  if (count * sizeof(TreeNode) > tree.nodeArena.committed) arenaEnsure(tree.nodeArena, count * sizeof(TreeNode));
  if (count * 4 > tree.timeArena.committed) arenaEnsure(tree.timeArena, count * 4);
  if (count > tree.attributeArena.committed) arenaEnsure(tree.attributeArena, count);

  if (length > kMaxNameLength) length = kMaxNameLength;
  StoredName stored = internName(tree, name, length);
  int32_t i = static_cast<int32_t>(index);
  TreeNode& n = tree.nodes()[i];
  n.size = 0;
  n.nameLength = length;
  n.flags = (isFolder ? kNodeFolder : 0) | (stored.wide ? kNodeWideName : 0);
  n.parent = parent >= 0 ? parent : kNoNode;
  n.firstChild = kNoNode;
  n.nextSibling = kNoNode;
  n.nameOffset = stored.offset;
  tree.modifiedTimes()[i] = kNoTime;
  tree.attributeIndexes()[i] = 0;
  tree.nodeCount = static_cast<int64_t>(count);
  tree.finalized = false;

  // What setSize and setOnDisk do, without their clean-up of earlier values.
  if (size > kMaxNodeSize || size < kMinNodeSize) {
    setSize(tree, i, size);
  } else {
    n.size = size;
  }
  if (!isFolder) {
    if (onDisk == 0) {
      n.flags |= kNodeOnDiskZero;
    } else if (static_cast<uint64_t>(onDisk) != roundUpToCluster(size, tree.clusterSize)) {
      n.flags |= kNodeOnDiskListed;
      putSideEntry(tree.onDiskExceptions, NodeOnDisk{i, static_cast<uint64_t>(onDisk)});
    }
  }
  if (parent >= 0) {
    TreeNode& p = tree.nodes()[parent];
    n.nextSibling = p.firstChild;
    p.firstChild = i;
  }
  return i;
}

void setSize(Tree& tree, int32_t node, int64_t bytes) {
  TreeNode& n = tree.node(node);
  // Negative sizes below the field's range are kept exactly as well.
  if (bytes > kMaxNodeSize || bytes < kMinNodeSize) {
    putSideEntry(tree.largeSizes, NodeSize{node, bytes});
    n.size = 0;
    n.flags |= kNodeLargeSize;
    return;
  }
  if (n.flags & kNodeLargeSize) {
    removeSideEntry(tree.largeSizes, node);
    n.flags &= ~kNodeLargeSize;
  }
  n.size = bytes;
}

void setOnDisk(Tree& tree, int32_t node, int64_t bytes) {
  TreeNode& n = tree.node(node);
  if (n.flags & kNodeOnDiskListed) removeSideEntry(tree.onDiskExceptions, node);
  n.flags &= ~(kNodeOnDiskZero | kNodeOnDiskListed);
  if (bytes == 0) {
    n.flags |= kNodeOnDiskZero;
  } else if (static_cast<uint64_t>(bytes) != roundUpToCluster(logicalSize(tree, node), tree.clusterSize)) {
    n.flags |= kNodeOnDiskListed;
    putSideEntry(tree.onDiskExceptions, NodeOnDisk{node, static_cast<uint64_t>(bytes)});
  }
}

void setTimeAndAttributes(Tree& tree, int32_t node, int64_t filetime, uint32_t attributes) {
  uint32_t& time = tree.modifiedTimes()[node];
  if (time == kTimeInExceptions) removeSideEntry(tree.timeExceptions, node);
  if (filetime == 0) {
    time = kNoTime;
  } else if (filetime >= kUnixEpochFiletime && filetime - kUnixEpochFiletime <= kMaxStoredSeconds) {
    time = static_cast<uint32_t>((filetime - kUnixEpochFiletime) / 10000000);
  } else {
    time = kTimeInExceptions;
    putSideEntry(tree.timeExceptions, NodeTime{node, filetime});
  }

  uint8_t& index = tree.attributeIndexes()[node];
  if (index != kAttributesInExceptions && index < tree.attributePalette.size() &&
      tree.attributePalette[index] == attributes)
    return;
  std::vector<uint32_t>& palette = tree.attributePalette;
  // A listing repeats a few values: the previous node's entry saves the search.
  // Palette values are distinct, so it is the entry the search would find.
  if (node > 0) {
    uint8_t previous = tree.attributeIndexes()[node - 1];
    if (previous < palette.size() && palette[previous] == attributes) {
      if (index == kAttributesInExceptions) removeSideEntry(tree.attributeExceptions, node);
      index = previous;
      return;
    }
  }
  size_t found = 0;
  while (found < palette.size() && palette[found] != attributes) found++;
  if (found == palette.size() && palette.size() < kAttributesInExceptions) {
    growSideTable(palette);
    palette.push_back(attributes);
  }
  if (found < palette.size()) {
    if (index == kAttributesInExceptions) removeSideEntry(tree.attributeExceptions, node);
    index = static_cast<uint8_t>(found);
  } else {
    index = kAttributesInExceptions;
    putSideEntry(tree.attributeExceptions, NodeAttributes{node, attributes});
  }
}

int64_t logicalSize(const Tree& tree, int32_t node) {
  const TreeNode& n = tree.node(node);
  if (n.flags & kNodeLargeSize) {
    const NodeSize* e = findSideEntry(tree.largeSizes, node);
    return e ? e->bytes : 0;
  }
  return n.size;
}

int64_t onDiskSize(const Tree& tree, int32_t node) {
  const TreeNode& n = tree.node(node);
  if (n.flags & kNodeFolder) return 0;
  if (n.flags & kNodeOnDiskZero) return 0;
  if (n.flags & kNodeOnDiskListed) {
    const NodeOnDisk* e = findSideEntry(tree.onDiskExceptions, node);
    return e ? static_cast<int64_t>(e->bytes) : 0;
  }
  return static_cast<int64_t>(roundUpToCluster(logicalSize(tree, node), tree.clusterSize));
}

int64_t modifiedTime(const Tree& tree, int32_t node) {
  uint32_t time = tree.modifiedTimes()[node];
  if (time == kNoTime) return 0;
  if (time == kTimeInExceptions) {
    const NodeTime* e = findSideEntry(tree.timeExceptions, node);
    return e ? e->filetime : 0;
  }
  return static_cast<int64_t>(time) * 10000000 + kUnixEpochFiletime;
}

uint32_t attributes(const Tree& tree, int32_t node) { return storedAttributes(tree, node); }

NodeNameView nodeNameView(const Tree& tree, int32_t node) {
  const TreeNode& n = tree.node(node);
  NodeNameView view;
  view.length = n.nameLength;
  if (view.length == 0) return view;
  const uint8_t* pool = tree.namePool.base + n.nameOffset;
  if (n.flags & kNodeWideName) {
    view.wide = reinterpret_cast<const char16_t*>(pool);
  } else {
    view.bytes = pool;
  }
  return view;
}

std::u16string nodeName(const Tree& tree, int32_t node) {
  NodeNameView view = nodeNameView(tree, node);
  if (view.wide) return std::u16string(view.wide, view.length);
  return std::u16string(view.bytes, view.bytes + view.length);
}

bool nodeNameEquals(const Tree& tree, int32_t node, std::u16string_view name, bool ignoreCase) {
  NodeNameView view = nodeNameView(tree, node);
  if (view.length != name.size()) return false;
  char16_t widened[kMaxNameLength];
  std::u16string_view units(view.wide, view.length);
  if (!view.wide) {
    for (size_t i = 0; i < view.length; i++) widened[i] = view.bytes[i];
    units = {widened, view.length};
  }
  return ignoreCase ? equalNamesIgnoringCase(units, name) : units == name;
}
