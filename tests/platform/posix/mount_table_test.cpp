// The mount table as the drive list reads it: only file systems on block devices,
// escaped names decoded, a mount point covered by a later mount taken once.
#include "platform/posix/mount_table.h"
#include <gtest/gtest.h>

namespace {
constexpr std::string_view kFileSystems =
    "nodev\tsysfs\nnodev\ttmpfs\nnodev\tproc\n\text4\n\tvfat\nnodev\toverlay\n\tfuseblk\n";

std::vector<std::string> points(const std::vector<MountedFileSystem>& mounts) {
  std::vector<std::string> result;
  for (const MountedFileSystem& m : mounts) result.push_back(m.mountPoint + " " + m.type + " " + m.device);
  return result;
}
}  // namespace

TEST(MountTable, KeepsFileSystemsOnBlockDevices) {
  const std::string_view mounts =
      "proc /proc proc rw,relatime 0 0\n"
      "/dev/vda / ext4 rw,relatime 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/sdb1 /media/My\\040Stick vfat rw 0 0\n"
      "overlay /var/lib/docker/x overlay rw 0 0\n"
      "/dev/sdc1 /mnt/back\\134slash fuseblk rw 0 0\n"
      "/dev/sdd1 /mnt/unknown-type zfs rw 0 0\n";
  EXPECT_EQ(points(blockFileSystems(mounts, kFileSystems)),
            (std::vector<std::string>{"/ ext4 /dev/vda", "/media/My Stick vfat /dev/sdb1",
                                      "/mnt/back\\slash fuseblk /dev/sdc1", "/mnt/unknown-type zfs /dev/sdd1"}));
}

TEST(MountTable, ALaterMountOnTheSamePointHidesTheEarlierOne) {
  const std::string_view mounts =
      "/dev/sda1 /data ext4 rw 0 0\n"
      "/dev/sdb1 /data vfat rw 0 0\n"
      "/dev/sdc1 /srv ext4 rw 0 0\n"
      "tmpfs /srv tmpfs rw 0 0\n";
  // /srv is now a tmpfs: the ext4 below it cannot be reached.
  EXPECT_EQ(points(blockFileSystems(mounts, kFileSystems)), (std::vector<std::string>{"/data vfat /dev/sdb1"}));
}

TEST(MountTable, ShortOrEmptyLinesAreSkipped) {
  EXPECT_TRUE(blockFileSystems("", kFileSystems).empty());
  EXPECT_TRUE(blockFileSystems("\n/dev/sda1 /x\n   \n", kFileSystems).empty());
  // Without the list of file system types every mounted one counts.
  EXPECT_EQ(points(blockFileSystems("/dev/sda1 /x ext4 rw 0 0", "")), (std::vector<std::string>{"/x ext4 /dev/sda1"}));
}
