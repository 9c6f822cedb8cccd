#include "engine/mft_scan.h"
#include "engine/scan_driver.h"

// Natively the table is read from an NTFS image file or block device.
bool fastScan(Tree& tree, std::u16string_view path, ScanProgress& progress, MftFailure& failure) {
  return mftScanImage(tree, path, progress, failure);
}

extern const bool kFastScanReadsImages = true;
