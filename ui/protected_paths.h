// Which nodes of a tree can never be marked for deletion: the system's and the
// program's own folders, the settings folder, the folders of the ProtectedPaths
// policy, and on a drive its Recycle Bin, volume information, paging and hibernation
// files. The folders on the way down to a protected folder, and the scanned root
// itself, are protected as a whole but not their other contents.
//
// Threading: window thread.
#pragma once
#include "engine/tree.h"
#include <cstdint>
#include <string>
#include <vector>

// One byte per node.
enum : uint8_t {
  kUnprotected = 0,
  kProtectedSubtree = 1,   // the node and everything below it
  kProtectedNode = 2,      // the node itself; its children only when flagged themselves
};

// `systemFolders`: the system's and the program's folders and the settings folder
// (platform/system_folders.h and the settings location); `policyFolders`: the
// ProtectedPaths policy. Entries are full paths; trailing separators do not matter.
std::vector<uint8_t> protectedFlags(const Tree& tree, const std::vector<std::u16string>& systemFolders,
                                    const std::vector<std::u16string>& policyFolders);

// The node's flag is 2, or it or an ancestor has flag 1.
bool isProtectedNode(const Tree& tree, const std::vector<uint8_t>& flags, int32_t node);
