// Cutting deleted items out of a tree, so that sizes and counts everywhere follow a
// deletion without a rescan; and whether a node is still part of its tree.
//
// Threading: the thread that owns the tree (the window thread after a scan).
#pragma once
#include "engine/tree.h"
#include <vector>

// Detaches every node of `nodes` from its parent (the root, nodes out of range and
// nodes already cut away are passed over), then aggregates once: folder sizes,
// counts, child order and the extension table are computed again, and unreadable
// folders inside what was cut are no longer reported. Returns the nodes detached.
int64_t cutOutOfTree(Tree& tree, const std::vector<int32_t>& nodes);

// Whether the node's chain of parents reaches the root through child lists.
bool isAttached(const Tree& tree, int32_t node);
