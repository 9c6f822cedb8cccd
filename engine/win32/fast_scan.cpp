#include "engine/mft_scan.h"
#include "engine/scan_driver.h"

bool fastScan(Tree& tree, std::u16string_view path, ScanProgress& progress, MftFailure& failure) {
  return mftScan(tree, path, progress, failure);
}

extern const bool kFastScanReadsImages = false;
