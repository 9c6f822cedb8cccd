// Decoding of file records into the tree being built. While the table is read,
// node r is record r: the node arena holds one node per record, and the node's
// spare fields carry the scan's bookkeeping until compaction:
//   flags bit 2       the record has one link (a name that is not a DOS name)
//   flags bit 3       its links and streams are counted in MftRecords::counts
//   flags bit 4       the record exists (a base record in use was seen)
//   flags bits 5-6    rank of the name the node has (0 none, 1 DOS, 2 POSIX, 3 Win32)
//   parent            raw parent record number of that name
//   firstChild and nextSibling   the 64-bit sum of bytes on disk
//   modified time     valid only once the attribute index is not 0 (every
//                     $STANDARD_INFORMATION gives a non-zero attribute value)
// A node of all zero bytes is an empty record, so the arrays are used as the system
// hands them out, and pages of records never read cost nothing. Reading costs no
// lookup structure and no memory beyond the tree itself, apart from the counts of
// the few records with several links or with streams.
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <vector>

// --- The scan's bookkeeping in a node's spare fields (the table above) ----------------------
constexpr uint8_t kMftOneLink = 4;
constexpr uint8_t kMftCounted = 8;
constexpr uint8_t kMftExists = 16;
constexpr int kMftRankShift = 5;
constexpr uint8_t kMftRankMask = 3 << kMftRankShift;
static_assert(((kMftOneLink | kMftCounted | kMftExists | kMftRankMask) & (kNodeFolder | kNodeWideName | kNodeLargeSize)) == 0,
              "the bookkeeping bits leave alone the flags a node keeps through compaction");
static_assert(sizeof(TreeNode::firstChild) + sizeof(TreeNode::nextSibling) == sizeof(uint64_t),
              "the two links hold the 64-bit on-disk sum");
static_assert(sizeof(TreeNode::parent) == sizeof(int32_t), "parent holds a record number below 2^31");

// Rank of the name the record's node has: 0 none, 1 DOS, 2 POSIX, 3 Win32.
inline int mftNameRank(const TreeNode& node) { return (node.flags & kMftRankMask) >> kMftRankShift; }
inline void setMftNameRank(TreeNode& node, int rank) {
  node.flags = uint8_t((node.flags & ~kMftRankMask) | (rank << kMftRankShift));
}
// The raw parent record number of that name, until linkNodes turns it into a node.
inline int32_t mftParentRecord(const TreeNode& node) { return node.parent; }
inline void setMftParentRecord(TreeNode& node, int32_t record) { node.parent = record; }
// The bytes on disk summed so far.
inline uint64_t mftOnDiskSumOf(const TreeNode& node) {
  return uint64_t(uint32_t(node.firstChild)) | (uint64_t(uint32_t(node.nextSibling)) << 32);
}
inline void setMftOnDiskSum(TreeNode& node, uint64_t bytes) {
  node.firstChild = int32_t(uint32_t(bytes));
  node.nextSibling = int32_t(uint32_t(bytes >> 32));
}

// A name chosen for a node, interned in a batch so that the intern set's memory
// waits of several names overlap.
struct PendingName {
  int32_t node;
  uint32_t offset;   // into pendingUnits
  uint32_t length;
};

// Links and streams of a record with more than one link or with streams.
struct MftRecordCounts {
  uint32_t record = 0;   // record + 1; 0 = empty slot
  uint8_t links = 0;     // stops at 255
  uint8_t streams = 0;   // stops at 255
};

struct MftRecords {
  Tree* tree = nullptr;
  int64_t count = 0;                 // R
  // Open addressing by record, at most half full; most records have one link and no stream.
  std::vector<MftRecordCounts> counts;
  int64_t countsUsed = 0;
  std::vector<PendingName> pendingNames;
  std::vector<char16_t> pendingUnits;
};

// Sizes the tree to `count` records, every node empty, and sets the cluster size.
void prepareMftRecords(MftRecords& records, Tree& tree, int64_t count, int64_t clusterBytes);

// Decodes record `number` (`bytes` long, fixed up in place); damaged records are skipped.
// The name a node gets is stored by the next finishMftNames.
void decodeMftRecord(MftRecords& records, uint8_t* record, uint32_t bytes, int64_t number);
void finishMftNames(MftRecords& records);

// Links (names other than DOS names) and streams counted for record r so far.
int mftLinkCount(const MftRecords& records, int64_t r);
int mftStreamCount(const MftRecords& records, int64_t r);
// True when record r got a name (before compaction).
bool mftRecordNamed(const Tree& tree, int32_t r);

// Which records became which nodes: a bit per record and, per 64 records, the number
// of nodes before them (a twentieth of an index per record).
struct MftRecordMap {
  int64_t count = 0;
  std::vector<uint64_t> kept;
  std::vector<int32_t> before;
};
// The node of record r after compaction, kNoNode when it was dropped.
inline int32_t mftNodeOfRecord(const MftRecordMap& map, int64_t r) {
  if (r < 0 || r >= map.count) return kNoNode;
  uint64_t word = map.kept[size_t(r >> 6)];
  uint64_t bit = uint64_t(1) << (r & 63);
  if (!(word & bit)) return kNoNode;
  return map.before[size_t(r >> 6)] + __builtin_popcountll(word & (bit - 1));
}

// Finishes the names, then keeps the records that exist and got a name, renumbered
// densely in record order.
void compactMftRecords(MftRecords& records, MftRecordMap& map);

// The bytes on disk the scan summed for node r before compaction.
uint64_t mftOnDiskSum(const Tree& tree, int32_t node);
