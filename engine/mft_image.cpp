// The fast scan of an NTFS image file or block device: the geometry comes from the
// boot sector, the table's length from the table's own $DATA attribute.
#include "engine/mft_format.h"
#include "engine/mft_scan.h"
#include "base/utf.h"

void splitImagePath(std::u16string_view imageAndFolder, std::u16string_view& image, std::u16string_view& folder) {
  size_t at = imageAndFolder.find(u"::");
  if (at == std::u16string_view::npos) {
    image = imageAndFolder;
    folder = {};
  } else {
    image = imageAndFolder.substr(0, at);
    folder = imageAndFolder.substr(at + 2);
  }
}

bool ntfsVolumeDataFromBootSector(const uint8_t* sector, NtfsVolumeData& data) {
  if (memcmp(sector + 3, "NTFS    ", 8) != 0) return false;
  int64_t sectorBytes = readU16(sector + 11);
  if (!isPowerOfTwo(sectorBytes) || sectorBytes < 256 || sectorBytes > 4096) return false;
  // Above 0x80 the count is a negative power of two (clusters beyond 64 KiB).
  uint8_t perCluster = sector[13];
  int64_t sectorsPerCluster = perCluster <= 0x80 ? perCluster : (perCluster >= 0xF4 ? int64_t(1) << (256 - perCluster) : 0);
  int64_t clusterBytes = sectorBytes * sectorsPerCluster;
  if (!isPowerOfTwo(clusterBytes) || clusterBytes > (int64_t(2) << 20)) return false;
  int64_t mftLcn = readI64(sector + 48);
  if (mftLcn < 0) return false;
  int8_t perRecord = int8_t(sector[64]);
  int64_t recordBytes;
  if (perRecord > 0) recordBytes = clusterBytes * perRecord;
  else if (perRecord >= -31) recordBytes = int64_t(1) << -perRecord;
  else return false;
  if (!isPowerOfTwo(recordBytes) || recordBytes < 256 || recordBytes > 65536) return false;
  data.bytesPerCluster = clusterBytes;
  data.bytesPerRecord = recordBytes;
  data.mftStartLcn = mftLcn;
  data.mftValidDataLength = -1;
  return true;
}

bool mftScanImage(Tree& tree, std::u16string_view imageAndFolder, ScanProgress& progress, MftFailure& failure) {
  std::u16string_view image, folder;
  splitImagePath(imageAndFolder, image, folder);
  VolumeHandle handle;
  MftVolumeReader reader;
  switch (openVolumeImage(utf8FromUtf16(image).c_str(), handle, reader.volumeBytes)) {
    case VolumeOpenResult::Opened: break;
    case VolumeOpenResult::AccessDenied: failure = MftFailure::AdministratorRightsRequired; return false;
    default: failure = MftFailure::CannotOpenVolume; return false;
  }
  uint8_t sector[512];
  if (!readVolumeAt(handle, 0, sector, sizeof sector) || !ntfsVolumeDataFromBootSector(sector, reader.data)) {
    closeVolume(handle);
    failure = MftFailure::NotNtfsVolume;
    return false;
  }
  reader.context = &handle;
  reader.read = readMftVolumeHandle;
  reader.chunkBytes = 256u << 10;   // an image is usually read from the page cache
  // The boot sector's sector count, in whole clusters as Windows counts a volume's size.
  int64_t sectors = readI64(sector + 40), sectorBytes = readU16(sector + 11);
  if (sectors > 0 && sectors <= INT64_MAX / sectorBytes)
    reader.totalClusters = sectors * sectorBytes / reader.data.bytesPerCluster;
  bool ok = mftScanVolume(tree, reader, folder, imageAndFolder, progress, failure);
  closeVolume(handle);
  if (ok) {
    // The export tells the image's volume, not the disk of the machine holding the image.
    tree.sourceVolume.known = true;
    tree.sourceVolume.label = reader.label;
    tree.sourceVolume.fileSystem = u"NTFS";
    tree.sourceVolume.capacity = reader.totalClusters * reader.data.bytesPerCluster;
    tree.sourceVolume.freeBytes = reader.freeClusters > 0 ? reader.freeClusters * reader.data.bytesPerCluster : 0;
  }
  return ok;
}
