// Name interning: every distinct name is stored once in the pool. The intern set
// is an open-addressing table of 8-byte entries in its own reserved region; it
// lives only while a tree is built and is rebuilt from the nodes when needed again.
#include "engine/names.h"
#include "engine/tree.h"
#include "base/hash.h"
#include <atomic>
#include <cstring>

namespace {
constexpr uint32_t kNarrowBasis = kFnv1aBasis;
constexpr uint32_t kWideBasis = 0x811C9D60;   // the two storage forms never compare equal
constexpr uint64_t kFirstCapacity = 65536;
constexpr uint8_t kEntryUsed = 1;
constexpr uint8_t kEntryWide = 2;

struct InternEntry {
  uint32_t offset;
  uint16_t hashHigh;
  uint8_t length;
  uint8_t flags;
};
static_assert(sizeof(InternEntry) == 8, "intern entries are 8 bytes");

std::atomic<uint64_t> gReservationLimit{0};

InternEntry* entries(NameInternSet& set) { return reinterpret_cast<InternEntry*>(set.arena.base); }


bool storedEquals(const Tree& tree, const InternEntry& e, const char16_t* name, size_t length, bool wide) {
  const uint8_t* pool = tree.namePool.base + e.offset;
  if (wide) return memcmp(pool, name, length * 2) == 0;
  for (size_t i = 0; i < length; i++)
    if (pool[i] != name[i]) return false;
  return true;
}

// Slot of the matching entry, or of the empty slot where it belongs.
uint64_t probe(const Tree& tree, NameInternSet& set, uint32_t hash, const char16_t* name, size_t length,
               bool wide) {
  InternEntry* table = entries(set);
  uint64_t mask = set.capacity - 1;
  uint16_t high = static_cast<uint16_t>(hash >> 16);
  uint8_t flags = kEntryUsed | (wide ? kEntryWide : 0);
  for (uint64_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const InternEntry& e = table[slot];
    if (!(e.flags & kEntryUsed)) return slot;
    if (e.hashHigh == high && e.flags == flags && e.length == length &&
        storedEquals(tree, e, name, length, wide))
      return slot;
  }
}

void placeEntry(NameInternSet& set, const InternEntry& entry, uint32_t hash) {
  InternEntry* table = entries(set);
  uint64_t mask = set.capacity - 1;
  uint64_t slot = hash & mask;
  while (table[slot].flags & kEntryUsed) slot = (slot + 1) & mask;
  table[slot] = entry;
}

uint32_t entryHash(const Tree& tree, const InternEntry& e) {
  const uint8_t* pool = tree.namePool.base + e.offset;
  if (e.flags & kEntryWide) return fnv1a(reinterpret_cast<const char16_t*>(pool), e.length, kWideBasis);
  return fnv1a(pool, e.length, kNarrowBasis);
}

void growSet(const Tree& tree, NameInternSet& set) {
  // The old entries wait in pages of their own, given back at once: the allocator
  // would keep a heap block this large resident after the scan.
  uint64_t oldCapacity = set.capacity;
  uint64_t oldBytes = oldCapacity * sizeof(InternEntry);
  Arena aside;
  arenaReserve(aside, oldBytes);
  arenaEnsure(aside, oldBytes);
  memcpy(aside.base, set.arena.base, oldBytes);
  const InternEntry* old = reinterpret_cast<const InternEntry*>(aside.base);

  uint64_t capacity = oldCapacity * 2;
  arenaEnsure(set.arena, capacity * sizeof(InternEntry));
  memset(set.arena.base, 0, capacity * sizeof(InternEntry));
  set.capacity = capacity;
  // The names sit all over the pool: fetch a few entries ahead.
  constexpr size_t kAhead = 8;
  for (size_t k = 0; k < oldCapacity; k++) {
    if (k + kAhead < oldCapacity && (old[k + kAhead].flags & kEntryUsed))
      __builtin_prefetch(tree.namePool.base + old[k + kAhead].offset);
    const InternEntry& e = old[k];
    if (e.flags & kEntryUsed) placeEntry(set, e, entryHash(tree, e));
  }
  arenaRelease(aside);
}

void afterInsert(const Tree& tree, NameInternSet& set) {
  set.count++;
  if (set.count * 4 >= set.capacity * 3) growSet(tree, set);
}

// The set was freed by finalizing: rebuild it from every node's stored name.
void buildSet(Tree& tree) {
  NameInternSet& set = tree.names;
  arenaReserve(set.arena, treeReservation(kNameInternReserve));
  arenaEnsure(set.arena, kFirstCapacity * sizeof(InternEntry));
  set.capacity = kFirstCapacity;
  set.count = 0;
  const TreeNode* nodes = tree.nodes();
  std::u16string scratch;
  for (int64_t i = 0; i < tree.nodeCount; i++) {
    const TreeNode& n = nodes[i];
    if (n.nameLength == 0) continue;
    bool wide = n.flags & kNodeWideName;
    const uint8_t* pool = tree.namePool.base + n.nameOffset;
    uint32_t hash;
    const char16_t* units;
    if (wide) {
      units = reinterpret_cast<const char16_t*>(pool);
      hash = fnv1a(units, n.nameLength, kWideBasis);
    } else {
      scratch.assign(pool, pool + n.nameLength);
      units = scratch.data();
      hash = fnv1a(pool, n.nameLength, kNarrowBasis);
    }
    uint64_t slot = probe(tree, set, hash, units, n.nameLength, wide);
    if (entries(set)[slot].flags & kEntryUsed) continue;
    entries(set)[slot] = {n.nameOffset, static_cast<uint16_t>(hash >> 16), static_cast<uint8_t>(n.nameLength),
                          static_cast<uint8_t>(kEntryUsed | (wide ? kEntryWide : 0))};
    afterInsert(tree, set);
  }
}
}  // namespace

uint64_t treeReservation(uint64_t normal) {
  uint64_t limit = gReservationLimit.load(std::memory_order_relaxed);
  return limit && limit < normal ? limit : normal;
}

void setTreeReservationLimitForTesting(uint64_t limit) { gReservationLimit.store(limit); }

void releaseNameSet(NameInternSet& set) {
  arenaRelease(set.arena);
  set.capacity = 0;
  set.count = 0;
}

void prefetchName(Tree& tree, const char16_t* name, size_t length) {
  NameInternSet& set = tree.names;
  if (set.capacity == 0 || length == 0) return;
  if (length > kMaxNameLength) length = kMaxNameLength;
  char16_t all = 0;
  uint32_t hash = kNarrowBasis;
  for (size_t i = 0; i < length; i++) {
    all |= name[i];
    hash = fnv1aStep(hash, name[i]);
  }
  bool wide = all >= 256;
  if (wide) hash = fnv1a(name, length, kWideBasis);
  const InternEntry* table = entries(set);
  uint64_t mask = set.capacity - 1;
  __builtin_prefetch(table + (hash & mask));

  // The slot of the name hinted kNameHintDepth calls ago has had time to arrive:
  // its candidate entry tells where the text to compare lies.
  NameHint& earlier = set.hints[set.nextHint];
  if (earlier.length) {
    uint16_t high = static_cast<uint16_t>(earlier.hash >> 16);
    uint64_t slot = earlier.hash & mask;
    for (int k = 0; k < 4; k++, slot = (slot + 1) & mask) {
      const InternEntry& e = table[slot];
      if (!(e.flags & kEntryUsed)) break;
      if (e.hashHigh == high && e.length == earlier.length && e.flags == earlier.flags) {
        __builtin_prefetch(tree.namePool.base + e.offset);
        break;
      }
    }
  }
  earlier = {hash, static_cast<uint8_t>(length), static_cast<uint8_t>(kEntryUsed | (wide ? kEntryWide : 0))};
  set.nextHint = (set.nextHint + 1) % kNameHintDepth;
}

StoredName internName(Tree& tree, const char16_t* name, size_t length) {
  if (length == 0) return {0, false};
  NameInternSet& set = tree.names;
  if (set.capacity == 0) buildSet(tree);
  // One pass for the common one-byte form; a wide name is hashed again with its basis.
  char16_t all = 0;
  uint32_t hash = kNarrowBasis;
  for (size_t i = 0; i < length; i++) {
    all |= name[i];
    hash = fnv1aStep(hash, name[i]);
  }
  bool wide = all >= 256;
  if (wide) hash = fnv1a(name, length, kWideBasis);
  uint64_t slot = probe(tree, set, hash, name, length, wide);
  InternEntry& e = entries(set)[slot];
  if (e.flags & kEntryUsed) return {e.offset, wide};

  uint64_t offset = tree.namePoolUsed;
  if (wide) offset = (offset + 1) & ~uint64_t(1);
  uint64_t end = offset + (wide ? length * 2 : length);
  if (end > tree.namePool.committed) arenaEnsure(tree.namePool, end);
  uint8_t* pool = tree.namePool.base + offset;
  if (wide) {
    memcpy(pool, name, length * 2);
  } else {
    for (size_t i = 0; i < length; i++) pool[i] = static_cast<uint8_t>(name[i]);
  }
  tree.namePoolUsed = end;
  e = {static_cast<uint32_t>(offset), static_cast<uint16_t>(hash >> 16), static_cast<uint8_t>(length),
       static_cast<uint8_t>(kEntryUsed | (wide ? kEntryWide : 0))};
  afterInsert(tree, set);
  return {static_cast<uint32_t>(offset), wide};
}
