// Name storage of a tree: the name pool and its intern set.
#pragma once
#include "engine/tree.h"

struct StoredName {
  uint32_t offset;
  bool wide;
};

// Stores `length` (at most 255) units once per distinct name and returns where.
StoredName internName(Tree& tree, const char16_t* name, size_t length);
void releaseNameSet(NameInternSet& set);
// Arena reservation for one tree array, honouring the testing limit.
uint64_t treeReservation(uint64_t normal);
