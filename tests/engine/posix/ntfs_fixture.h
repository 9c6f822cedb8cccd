// The NTFS image the fast-scan tests read: made once per test program with mkntfs and
// filled through an ntfs-3g mount (tests/fixtures/make_ntfs_image.sh).
#pragma once
#include "engine/mft_format.h"
#include "engine/mft_scan.h"
#include <cstdint>
#include <string>
#include <vector>

struct NtfsFixture {
  bool ready = false;
  std::string problem;     // why not ready
  std::string image;       // path of the image file
  std::string mountPoint;  // an empty folder to mount it on
  int manyFiles = 0;       // files in /Many
};

// Built on first use; removed when the program ends.
const NtfsFixture& ntfsFixture();
// Skips the calling test loudly when there is no image (no FUSE, no ntfs-3g).
#define REQUIRE_NTFS_FIXTURE()                                                     \
  do {                                                                             \
    if (!ntfsFixture().ready) GTEST_SKIP() << "SKIPPED: no NTFS fixture image: " << ntfsFixture().problem; \
  } while (0)

// Mounts the image read-only (alternate streams as user.* attributes); false on failure.
bool mountNtfsReadOnly(const std::string& image, const std::string& mountPoint);
void unmountNtfs(const std::string& mountPoint);

std::vector<uint8_t> readWholeFile(const std::string& path);

// An image held in memory, damaged or rebuilt by a test, read through MftVolumeReader.
struct MemoryImage {
  std::vector<uint8_t> bytes;
  uint64_t length = 0;   // readable bytes: less than bytes.size() for a truncated image
};
// The reader's `read` over a MemoryImage; honours a truncated length.
bool readMemoryImage(void* context, uint64_t offset, void* buffer, uint32_t count);
// A reader over `image` with its geometry from the boot sector; false when the image
// has no plausible NTFS boot sector.
bool memoryImageReader(MemoryImage& image, MftVolumeReader& reader);
// The fixture image read into memory (owned by the caller), with its volume data
// from the boot sector.
MemoryImage* loadFixtureImage(NtfsVolumeData& data);

// --- Rebuilding records of an image in memory ----------------------------------------
// Run-list bytes for `runs`, each start relative to the one before; a start of -1 is a
// hole (no offset bytes).
std::vector<uint8_t> encodeRuns(const std::vector<DataRun>& runs);
// Writes a fixed-up record back as a disk holds it: the last word of every stride goes
// to the update sequence array and the sequence number takes its place.
void writeRecord(MemoryImage& image, uint64_t offset, std::vector<uint8_t> record);
