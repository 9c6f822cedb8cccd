// Reading the kernel's mount table for the drive list (platform/posix/drives.cpp).
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct MountedFileSystem {
  std::string device;
  std::string mountPoint;
  std::string type;
};

// The file systems of `mounts` (the text of /proc/self/mounts) whose type
// `filesystems` (the text of /proc/filesystems) does not mark `nodev`, that is the
// ones on block devices, in mount order. Names lose the table's \ooo escapes. A
// mount point mounted again by a later line is hidden below it: only the last
// line counts, and only if its type qualifies.
std::vector<MountedFileSystem> blockFileSystems(std::string_view mounts, std::string_view filesystems);
