// The fast scan: builds a Tree from an NTFS master file table read straight from
// a volume (Windows, \\.\X:) or from an image file or block device.
//
// Threading: runs on one thread; shares only the ScanProgress fields.
#pragma once
#include "engine/mft_volume_reader.h"
#include "engine/failure.h"
#include "engine/tree.h"
#include <string>
#include <string_view>

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
