// Name storage of a tree: the name pool's intern set, which stores every distinct name
// once, and the hints that let builders fetch its slots ahead of time.
//
// The engine has three open-addressing tables, all linear probing over a power-of-two
// slot count: this one, the extension table (extensions.cpp) and the large hard-link
// ids (walk_coordinator.cpp). The first two share the hash (base/hash.h); beyond that
// they stay apart on purpose: this one keeps 8-byte entries in a reserved arena that
// grows in place under millions of names and compares against the pool; the extension
// table holds a few hundred entries in vectors and is dropped once sorted; the id set
// stores the ids themselves under a multiplicative hash. One generic table would cost
// the name set, the hot one, its layout.
//
// Threading: like the tree, one writer at a time (the thread building it).
#pragma once
#include "platform/arena.h"
#include <cstddef>
#include <cstdint>

struct Tree;

// A name hinted by prefetchName whose stored text is fetched a few hints later,
// once its slot has arrived.
struct NameHint {
  uint32_t hash = 0;
  uint8_t length = 0;       // 0 = no hint
  uint8_t flags = 0;
};
constexpr int kNameHintDepth = 8;

struct NameInternSet {
  Arena arena;              // 8-byte entries: offset, hash high bits, length, flags
  uint64_t capacity = 0;    // entries; 0 = not built
  uint64_t count = 0;
  NameHint hints[kNameHintDepth];
  uint32_t nextHint = 0;
};

struct StoredName {
  uint32_t offset;
  bool wide;
};

// Stores `length` (at most 255) units once per distinct name and returns where.
StoredName internName(Tree& tree, const char16_t* name, size_t length);
void releaseNameSet(NameInternSet& set);

// A hint for builders that know their next names (a listing, a batch of records):
// starts fetching the intern slot of a name that addNode will be given about
// kNameHintDistance names later, and the stored text of the name hinted
// kNameHintDepth calls before, so the memory waits of many names overlap.
// Calling it or not changes no result.
constexpr int kNameHintDistance = 2 * kNameHintDepth;
void prefetchName(Tree& tree, const char16_t* name, size_t length);
