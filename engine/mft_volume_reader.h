// Where the fast scan reads volume bytes from: a volume handle, an image file or, in
// tests, memory. Apart from the scan so that the table's layout reader needs only this.
//
// Threading: a reader is used by one thread at a time (the scan's).
#pragma once
#include "platform/volume.h"
#include <cstdint>
#include <string>

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
