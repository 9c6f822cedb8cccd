#include "engine/mft_record.h"
#include "engine/mft_format.h"
#include "engine/names.h"
#include <algorithm>

namespace {

constexpr uint8_t kExists = 16;
constexpr int kRankShift = 5;
constexpr uint8_t kRankMask = 3 << kRankShift;
constexpr uint32_t kNoName = 0xFFFFFFFF;
constexpr int64_t kBadClusterFile = 8;

int nameRank(uint8_t nameSpace) {
  switch (nameSpace) {
    case 1: case 3: return 3;   // Win32, Win32 and DOS
    case 0: return 2;           // POSIX
    case 2: return 1;           // DOS
    default: return 0;
  }
}

void setOnDiskSum(TreeNode& node, uint64_t bytes) {
  node.firstChild = int32_t(uint32_t(bytes));
  node.nextSibling = int32_t(uint32_t(bytes >> 32));
}

uint64_t onDiskSumOf(const TreeNode& node) {
  return uint64_t(uint32_t(node.firstChild)) | (uint64_t(uint32_t(node.nextSibling)) << 32);
}

void countUp(uint8_t& counter) {
  if (counter < 255) counter++;
}

void giveNodeName(Tree& tree, int32_t node, const char16_t* name, size_t length) {
  StoredName stored = internName(tree, name, length);
  TreeNode& target = tree.node(node);
  target.nameOffset = stored.offset;
  target.nameLength = length;
  target.flags = (target.flags & ~kNodeWideName) | (stored.wide ? kNodeWideName : 0);
}

void reserveTree(Tree& tree) {
  if (!tree.nodeArena.base) arenaReserve(tree.nodeArena, treeReservation(kNodeArenaReserve));
  if (!tree.namePool.base) arenaReserve(tree.namePool, treeReservation(kNamePoolReserve));
  if (!tree.timeArena.base) arenaReserve(tree.timeArena, treeReservation(kTimeArenaReserve));
  if (!tree.attributeArena.base) arenaReserve(tree.attributeArena, treeReservation(kAttributeArenaReserve));
  if (tree.attributePalette.empty()) tree.attributePalette.assign(1, 0);
}

}  // namespace

uint64_t mftOnDiskSum(const Tree& tree, int32_t node) { return onDiskSumOf(tree.node(node)); }

void prepareMftRecords(MftRecords& records, Tree& tree, int64_t count, int64_t clusterBytes) {
  records.tree = &tree;
  records.count = count;
  // Node numbers are record numbers from here on: nothing may stay from before.
  tree.largeSizes.clear();
  tree.onDiskExceptions.clear();
  tree.timeExceptions.clear();
  tree.attributeExceptions.clear();
  records.linkCounts.assign(size_t(count), 0);
  records.streamCounts.assign(size_t(count), 0);
  reserveTree(tree);
  arenaEnsure(tree.nodeArena, uint64_t(count) * sizeof(TreeNode));
  arenaEnsure(tree.timeArena, uint64_t(count) * sizeof(uint32_t));
  arenaEnsure(tree.attributeArena, uint64_t(count));
  TreeNode* nodes = tree.nodes();
  uint32_t* times = tree.modifiedTimes();
  uint8_t* attributeIndexes = tree.attributeIndexes();
  for (int64_t r = 0; r < count; r++) {
    TreeNode& node = nodes[r];
    node.size = 0;
    node.nameLength = 0;
    node.flags = 0;
    node.parent = kNoNode;
    node.firstChild = 0;
    node.nextSibling = 0;
    node.nameOffset = kNoName;
    times[r] = kNoTime;
    attributeIndexes[r] = 0;
  }
  tree.nodeCount = count;
  tree.clusterSize = clusterBytes;
}

void decodeMftRecord(MftRecords& records, uint8_t* record, uint32_t bytes, int64_t number) {
  if (!applyUpdateSequence(record, bytes)) return;
  uint16_t recordFlags = readU16(record + 22);
  if (!(recordFlags & kRecordInUse)) return;
  if (bytes < 40) return;
  int64_t base = int64_t(readU64(record + 32) & 0xFFFFFFFFFFFFull);
  int64_t target = base != 0 ? base : number;
  if (target >= records.count) return;
  Tree& tree = *records.tree;
  TreeNode& node = tree.node(int32_t(target));
  bool isBase = base == 0;
  bool isFolder = (recordFlags & kRecordDirectory) != 0;
  if (isBase) {
    node.flags |= kExists;
    if (isFolder) node.flags |= kNodeFolder;
  }

  const uint8_t* bestName = nullptr;
  uint8_t bestLength = 0;
  int bestRank = 0;
  int32_t bestParent = kNoNode;

  AttributeWalk walk;
  startAttributeWalk(walk, record, bytes);
  MftAttribute attribute;
  while (nextAttribute(walk, attribute)) {
    const uint8_t* a = attribute.p;
    uint32_t at = uint32_t(a - record);
    if (attribute.type == kAttrStandardInformation) {
      if (!isBase || attribute.nonResident || attribute.length < 22) continue;
      uint64_t value = uint64_t(at) + readU16(a + 20);
      if (value + 36 > bytes) continue;
      int64_t modified = readI64(record + value + 8);
      uint32_t fileAttributes = readU32(record + value + 32);
      if (isFolder) fileAttributes |= kAttributeDirectory;
      else if (fileAttributes == 0) fileAttributes = kAttributeNormal;
      setTimeAndAttributes(tree, int32_t(target), modified, fileAttributes);
    } else if (attribute.type == kAttrFileName) {
      if (attribute.nonResident || attribute.length < 22) continue;
      uint64_t value = uint64_t(at) + readU16(a + 20);
      if (value + 66 > bytes) continue;
      uint8_t length = record[value + 64];
      uint8_t nameSpace = record[value + 65];
      if (nameSpace != 2) countUp(records.linkCounts[size_t(target)]);
      int rank = nameRank(nameSpace);
      if (rank > bestRank && value + 66 + 2ull * length <= bytes) {
        bestRank = rank;
        bestName = record + value + 66;
        bestLength = length;
        bestParent = int32_t(uint32_t(readU64(record + value)));
      }
    } else if (attribute.type == kAttrData) {
      NonResidentInfo info;
      bool nonResidentUsable = nonResidentInfo(attribute, info);
      if (attribute.nameLength != 0) {
        if (!attribute.nonResident || (nonResidentUsable && info.startVcn == 0)) {
          if (!attributeNameIs(attribute, "WofCompressedData")) countUp(records.streamCounts[size_t(target)]);
        }
        if (!attribute.nonResident) continue;
      } else if (!attribute.nonResident) {
        if (attribute.length >= 20) setSize(tree, int32_t(target), readU32(a + 16));
        continue;
      } else if (nonResidentUsable && info.startVcn == 0) {
        setSize(tree, int32_t(target), std::max<int64_t>(info.dataSize, 0));
      }
      if (!nonResidentUsable || info.startVcn != 0 || target == kBadClusterFile) continue;
      bool packed = info.hasCompressedSize && (attribute.flags & (kAttrFlagCompressed | kAttrFlagSparse));
      int64_t add = packed ? info.compressedSize : info.allocatedSize;
      if (add <= 0) continue;
      uint64_t sum = onDiskSumOf(node);
      uint64_t total = sum + uint64_t(add);
      setOnDiskSum(node, total < sum ? UINT64_MAX : total);
    }
  }

  if (bestRank > int((node.flags & kRankMask) >> kRankShift)) {
    size_t at = records.pendingUnits.size();
    records.pendingUnits.resize(at + bestLength);
    if (bestLength) memcpy(records.pendingUnits.data() + at, bestName, 2u * bestLength);  // an empty name has no units to copy
    records.pendingNames.push_back({int32_t(target), uint32_t(at), bestLength});
    node.flags = uint8_t((node.flags & ~kRankMask) | (bestRank << kRankShift));
    node.parent = bestParent;
  }
}

void finishMftNames(MftRecords& records) {
  constexpr size_t kAhead = 8;
  Tree& tree = *records.tree;
  const std::vector<PendingName>& names = records.pendingNames;
  const char16_t* units = records.pendingUnits.data();
  for (size_t i = 0; i < names.size(); i++) {
    if (i + kAhead < names.size()) prefetchName(tree, units + names[i + kAhead].offset, names[i + kAhead].length);
    giveNodeName(tree, names[i].node, units + names[i].offset, names[i].length);
  }
  records.pendingNames.clear();
  records.pendingUnits.clear();
}

void compactMftRecords(MftRecords& records, std::vector<int32_t>& newIndexes) {
  finishMftNames(records);
  Tree& tree = *records.tree;
  int64_t count = records.count;
  TreeNode* nodes = tree.nodes();
  newIndexes.assign(size_t(count), kNoNode);
  int32_t kept = 0;
  for (int64_t r = 0; r < count; r++) {
    if ((nodes[r].flags & kExists) && nodes[r].nameOffset != kNoName) newIndexes[size_t(r)] = kept++;
  }

  // The side tables hold record numbers; the map is increasing, so they stay sorted.
  auto renumber = [&](auto& table, bool filesOnly) {
    size_t out = 0;
    for (auto entry : table) {
      if (entry.node < 0 || entry.node >= count) continue;
      int32_t mapped = newIndexes[size_t(entry.node)];
      if (mapped < 0 || (filesOnly && (nodes[entry.node].flags & kNodeFolder))) continue;
      entry.node = mapped;
      table[out++] = entry;
    }
    table.resize(out);
  };
  renumber(tree.largeSizes, true);
  renumber(tree.timeExceptions, false);
  renumber(tree.attributeExceptions, false);

  uint32_t* times = tree.modifiedTimes();
  uint8_t* attributeIndexes = tree.attributeIndexes();
  tree.onDiskExceptions.clear();
  tree.nodeCount = kept;
  for (int64_t r = 0; r < count; r++) {
    int32_t n = newIndexes[size_t(r)];
    if (n < 0) continue;
    TreeNode from = nodes[r];
    uint64_t onDisk = onDiskSumOf(from);
    bool isFolder = from.flags & kNodeFolder;
    TreeNode& to = nodes[n];
    to = from;
    to.flags = from.flags & (kNodeFolder | kNodeWideName | (isFolder ? 0 : kNodeLargeSize));
    if (isFolder) to.size = 0;
    to.firstChild = kNoNode;
    to.nextSibling = kNoNode;
    times[n] = times[r];
    attributeIndexes[n] = attributeIndexes[r];
    if (!isFolder) setOnDisk(tree, n, int64_t(std::min<uint64_t>(onDisk, uint64_t(INT64_MAX))));
  }
}
