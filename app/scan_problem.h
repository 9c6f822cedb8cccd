// Why a headless mode cannot scan the folder it was given, in the words it prints:
// "Cannot scan <folder>: <the system's reason>". A walk of a folder that cannot be
// listed would only produce its one empty root row, which is no scan result.
#pragma once
#include "engine/tree.h"
#include <string>
#include <string_view>

// Empty when `folder` (normalised) opens for listing.
std::u16string folderScanProblem(std::u16string_view folder);
// The same after a walk, for a root folder that could not be listed after all
// (it went away or its rights changed since the check).
std::u16string rootScanProblem(const Tree& tree);
