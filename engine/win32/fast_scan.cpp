#include "engine/mft_scan.h"
#include "engine/scan_driver.h"

bool fastScan(Tree& tree, std::u16string_view path, ScanProgress& progress, std::u16string& errorText) {
  return mftScan(tree, path, progress, errorText);
}

extern const bool kFastScanReadsImages = false;
