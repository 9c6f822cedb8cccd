// Decoding of file records into the tree being built. While the table is read,
// node r is record r: the node arena holds one node per record, and the node's
// spare fields carry the scan's bookkeeping until compaction:
//   flags bit 4       the record exists (a base record in use was seen)
//   flags bits 5-6    rank of the name the node has (0 none, 1 DOS, 2 POSIX, 3 Win32)
//   parent            raw parent record number of that name
//   firstChild and nextSibling   the 64-bit sum of bytes on disk
// so reading costs no lookup structure and no memory beyond the tree itself, apart
// from a link count and a stream count per record.
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <vector>

// A name chosen for a node, interned in a batch so that the intern set's memory
// waits of several names overlap.
struct PendingName {
  int32_t node;
  uint32_t offset;   // into pendingUnits
  uint32_t length;
};

struct MftRecords {
  Tree* tree = nullptr;
  int64_t count = 0;                 // R
  std::vector<uint8_t> linkCounts;   // per record, stops at 255
  std::vector<uint8_t> streamCounts; // per record, stops at 255
  std::vector<PendingName> pendingNames;
  std::vector<char16_t> pendingUnits;
};

// Sizes the tree to `count` records, every node empty, and sets the cluster size.
void prepareMftRecords(MftRecords& records, Tree& tree, int64_t count, int64_t clusterBytes);

// Decodes record `number` (`bytes` long, fixed up in place); damaged records are skipped.
// The name a node gets is stored by the next finishMftNames.
void decodeMftRecord(MftRecords& records, uint8_t* record, uint32_t bytes, int64_t number);
void finishMftNames(MftRecords& records);

// Finishes the names, then keeps the records that exist and got a name, renumbered densely in record order;
// `newIndexes` receives the map from record number to node (-1 = dropped).
void compactMftRecords(MftRecords& records, std::vector<int32_t>& newIndexes);

// The bytes on disk the scan summed for node r before compaction.
uint64_t mftOnDiskSum(const Tree& tree, int32_t node);
