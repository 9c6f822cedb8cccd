// The texts of a drive entry: its title, its second line under the allowed-paths
// policy, and the same with commas for screen readers.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/view_state.h"
#include <string>

// "Local Disk (C:)".
std::u16string driveTitle(const DriveEntry& drive);
// "NTFS · 120 GB free of 500 GB", "Only D:\Data · managed" or "Not allowed · Managed by …".
std::u16string driveDetail(const ViewState& s, const DriveEntry& drive);
// The accessible description: the same with commas.
std::u16string driveDescription(const ViewState& s, const DriveEntry& drive);
// Share of the drive in use, 0..1 (0 for a drive without a size).
double driveUsedShare(const DriveEntry& drive);
