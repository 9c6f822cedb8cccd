#include "engine/mft_record.h"
#include "engine/mft_format.h"
#include "engine/names.h"
#include <algorithm>

namespace {

constexpr int64_t kBadClusterFile = 8;
constexpr size_t kFirstCountSlots = 1024;

int nameRank(uint8_t nameSpace) {
  switch (nameSpace) {
    case 1: case 3: return 3;   // Win32, Win32 and DOS
    case 0: return 2;           // POSIX
    case 2: return 1;           // DOS
    default: return 0;
  }
}

void countUp(uint8_t& counter) {
  if (counter < 255) counter++;
}

size_t countSlot(const std::vector<MftRecordCounts>& slots, int64_t r) {
  size_t mask = slots.size() - 1;
  size_t slot = size_t(uint64_t(r) * 0x9E3779B97F4A7C15ull >> 32) & mask;
  while (slots[slot].record != 0 && slots[slot].record != uint32_t(r + 1)) slot = (slot + 1) & mask;
  return slot;
}

// The counts of record r, made when missing with `links` and no streams.
MftRecordCounts& countsOf(MftRecords& records, int64_t r, uint8_t links) {
  std::vector<MftRecordCounts>& slots = records.counts;
  if (size_t(records.countsUsed + 1) * 2 > slots.size()) {
    std::vector<MftRecordCounts> old(std::max(slots.size() * 2, kFirstCountSlots));
    old.swap(slots);
    for (const MftRecordCounts& c : old) {
      if (c.record != 0) slots[countSlot(slots, int64_t(c.record) - 1)] = c;
    }
  }
  MftRecordCounts& c = slots[countSlot(slots, r)];
  if (c.record == 0) {
    c.record = uint32_t(r + 1);
    c.links = links;
    records.countsUsed++;
  }
  return c;
}

void countLink(MftRecords& records, TreeNode& node, int64_t r) {
  if (node.flags & kMftCounted) {
    countUp(countsOf(records, r, 0).links);
  } else if (node.flags & kMftOneLink) {
    countsOf(records, r, 2);
    node.flags = (node.flags & ~kMftOneLink) | kMftCounted;
  } else {
    node.flags |= kMftOneLink;
  }
}

void countStream(MftRecords& records, TreeNode& node, int64_t r) {
  MftRecordCounts& c = countsOf(records, r, node.flags & kMftOneLink ? 1 : 0);
  countUp(c.streams);
  node.flags = (node.flags & ~kMftOneLink) | kMftCounted;
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

uint64_t mftOnDiskSum(const Tree& tree, int32_t node) { return mftOnDiskSumOf(tree.node(node)); }

void prepareMftRecords(MftRecords& records, Tree& tree, int64_t count, int64_t clusterBytes) {
  records.tree = &tree;
  records.count = count;
  // Node numbers are record numbers from here on: nothing may stay from before.
  tree.largeSizes.clear();
  tree.onDiskExceptions.clear();
  tree.timeExceptions.clear();
  tree.attributeExceptions.clear();
  records.counts.clear();
  records.countsUsed = 0;
  reserveTree(tree);
  // Freshly committed pages read as zero, the empty record; pages used before are
  // given back first so that they do too.
  arenaTrim(tree.nodeArena, 0);
  arenaTrim(tree.timeArena, 0);
  arenaTrim(tree.attributeArena, 0);
  arenaEnsure(tree.nodeArena, uint64_t(count) * sizeof(TreeNode));
  arenaEnsure(tree.timeArena, uint64_t(count) * sizeof(uint32_t));
  arenaEnsure(tree.attributeArena, uint64_t(count));
  tree.nodeCount = count;
  tree.clusterSize = clusterBytes;
}

int mftLinkCount(const MftRecords& records, int64_t r) {
  uint8_t flags = records.tree->node(int32_t(r)).flags;
  if (flags & kMftCounted) return records.counts[countSlot(records.counts, r)].links;
  return flags & kMftOneLink ? 1 : 0;
}

int mftStreamCount(const MftRecords& records, int64_t r) {
  if (!(records.tree->node(int32_t(r)).flags & kMftCounted)) return 0;
  return records.counts[countSlot(records.counts, r)].streams;
}

bool mftRecordNamed(const Tree& tree, int32_t r) { return mftNameRank(tree.node(r)) != 0; }

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
    node.flags |= kMftExists;
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
      if (nameSpace != 2) countLink(records, node, target);
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
          if (!attributeNameIs(attribute, "WofCompressedData")) countStream(records, node, target);
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
      uint64_t sum = mftOnDiskSumOf(node);
      uint64_t total = sum + uint64_t(add);
      setMftOnDiskSum(node, total < sum ? UINT64_MAX : total);
    }
  }

  if (bestRank > mftNameRank(node)) {
    size_t at = records.pendingUnits.size();
    records.pendingUnits.resize(at + bestLength);
    if (bestLength) memcpy(records.pendingUnits.data() + at, bestName, 2u * bestLength);  // an empty name has no units to copy
    records.pendingNames.push_back({int32_t(target), uint32_t(at), bestLength});
    setMftNameRank(node, bestRank);
    setMftParentRecord(node, bestParent);
  }
}

void finishMftNames(MftRecords& records) {
  constexpr size_t kAhead = kNameHintDistance;
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

void compactMftRecords(MftRecords& records, MftRecordMap& map) {
  finishMftNames(records);
  Tree& tree = *records.tree;
  int64_t count = records.count;
  TreeNode* nodes = tree.nodes();
  map.count = count;
  map.kept.assign(size_t(count + 63) / 64, 0);
  map.before.assign(map.kept.size(), 0);
  int32_t kept = 0;
  for (int64_t r = 0; r < count; r++) {
    if (r % 64 == 0) map.before[size_t(r / 64)] = kept;
    if ((nodes[r].flags & kMftExists) && mftNameRank(nodes[r]) != 0) {
      map.kept[size_t(r / 64)] |= uint64_t(1) << (r % 64);
      kept++;
    }
  }

  // The side tables hold record numbers; the map is increasing, so they stay sorted.
  auto renumber = [&](auto& table, bool filesOnly) {
    size_t out = 0;
    for (auto entry : table) {
      int32_t mapped = mftNodeOfRecord(map, entry.node);
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
  int32_t n = 0;
  for (int64_t r = 0; r < count; r++) {
    if (!((map.kept[size_t(r / 64)] >> (r % 64)) & 1)) continue;
    TreeNode from = nodes[r];
    uint64_t onDisk = mftOnDiskSumOf(from);
    bool isFolder = from.flags & kNodeFolder;
    TreeNode& to = nodes[n];
    to = from;
    to.flags = from.flags & (kNodeFolder | kNodeWideName | (isFolder ? 0 : kNodeLargeSize));
    if (isFolder) to.size = 0;
    to.firstChild = kNoNode;
    to.nextSibling = kNoNode;
    // A record without $STANDARD_INFORMATION has no time: its time word is still 0.
    times[n] = attributeIndexes[r] != 0 ? times[r] : kNoTime;
    attributeIndexes[n] = attributeIndexes[r];
    if (!isFolder) setOnDisk(tree, n, int64_t(std::min<uint64_t>(onDisk, uint64_t(INT64_MAX))));
    n++;
  }
}
