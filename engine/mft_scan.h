// The fast scan: builds a Tree from an NTFS master file table read straight from
// a volume (Windows, \\.\X:) or from an image file or block device.
//
// Threading: runs on one thread; shares only the ScanProgress fields.
#pragma once
#include "engine/failure.h"
#include "engine/tree.h"
#include "platform/volume.h"
#include <string>
#include <string_view>

// A source of volume bytes and its NTFS geometry.
struct MftVolumeReader {
  void* context = nullptr;
  // Reads exactly `bytes` at byte `offset`; false on failure or a short read.
  bool (*read)(void* context, uint64_t offset, void* buffer, uint32_t bytes) = nullptr;
  NtfsVolumeData data;
  // Known size of the volume in bytes (0 = unknown). When the table's valid length
  // is not known (mftValidDataLength < 0) it comes from the table's own $DATA size,
  // and a record count beyond what the volume can hold is refused.
  uint64_t volumeBytes = 0;
  // Clusters of the volume when the caller knows them (an image's boot sector): the scan
  // then also reads the label and counts the free clusters into the two fields below.
  int64_t totalClusters = 0;
  std::u16string label;
  int64_t freeClusters = -1;    // -1: unknown
  // Bytes per read of the table, at most 4 MiB. Large reads suit a device; from the
  // page cache, reads that fit the core's L2 cache let decoding find the records there.
  uint32_t chunkBytes = 4u << 20;
};

// The `read` of a reader whose context is a VolumeHandle.
bool readMftVolumeHandle(void* context, uint64_t offset, void* buffer, uint32_t bytes);

// Reads the table through `reader` and builds the tree under `folder` (components
// separated by `\` or `/`, empty = the volume root). On success the tree has its
// root, `rootPath` (as given), cluster size, hard-link and stream counts, and is not
// finalized. On failure `failure` says why.
bool mftScanVolume(Tree& tree, MftVolumeReader& reader, std::u16string_view folder,
                   std::u16string_view rootPath, ScanProgress& progress, MftFailure& failure);

// Windows drive or folder path (X:\ or X:\Some\Folder) through \\.\X:.
bool mftScan(Tree& tree, std::u16string_view path, ScanProgress& progress, MftFailure& failure);

// An NTFS image file or block device, optionally with a folder inside it:
// "disk.img" or "disk.img::/Some/Folder" (see docs/mft.md).
bool mftScanImage(Tree& tree, std::u16string_view imageAndFolder, ScanProgress& progress,
                  MftFailure& failure);

// Splits "image::folder" at the first "::"; the folder part is empty without one.
void splitImagePath(std::u16string_view imageAndFolder, std::u16string_view& image,
                    std::u16string_view& folder);

// Geometry from an NTFS boot sector (512 bytes); false unless it is a plausible one.
bool ntfsVolumeDataFromBootSector(const uint8_t* sector, NtfsVolumeData& data);
