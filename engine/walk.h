// The directory walk ("Standard scan"): listing workers read folders in parallel while
// one coordinator thread builds the Tree from their results, strictly breadth-first,
// so node indices and the tree's shape never depend on thread timing.
#pragma once
#include "engine/tree.h"
#include <string_view>

// Scans `rootPath` (a normalised full path) into an empty tree; returns when the walk
// is complete or stopped through progress.cancel (the unread folders become Pending).
// The tree is not finalized. Out of memory ends the calling engine thread.
void walkScan(Tree& tree, std::u16string_view rootPath, ScanProgress& progress);

// Lists the Pending folders of a finalized tree and adds what they hold.
void continueWalk(Tree& tree, ScanProgress& progress);

// 2 listing workers on a disk with a seek penalty, else 4 on one or two processors,
// else two per processor, at most 16.
int workerThreadCount(std::u16string_view rootPath);
