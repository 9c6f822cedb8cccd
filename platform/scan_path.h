// Scan paths as the user and the policies give them, made absolute and canonical
// so that the same folder always compares equal, and what the system says about
// them. Implemented per OS in platform/win32/scan_path.cpp and
// platform/posix/scan_path.cpp (samePathText in text_case.cpp); isPathUnder is the
// same on both, in platform/scan_path.cpp.
//
// Threading: any thread; normalizeScanPath reads the process's current folder.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// How a bare drive `X:` (Windows only) is read: as the drive's current folder,
// the way the shell and GetFullPathNameW read it, or as its root `X:\` (the
// command-line target and the policy folders mean the whole drive).
enum class BareDrive { CurrentFolder, Root };

// Windows: the text up to its first NUL, made absolute with GetFullPathNameW
// (a 1040-unit result; a failed or longer result keeps the text unchanged),
// trailing `\` removed down to a drive root, `X:` completed to `X:\`, first unit
// upper-cased. POSIX: absolute (relative to the current folder), `.`, `..` and
// repeated `/` resolved by text, no trailing `/` except for the root `/`; in
// "image::folder", where the image is an existing file or device, each part on its own
// (`..` in the folder stops at the volume's root).
// An empty text stays empty.
std::u16string normalizeScanPath(std::u16string_view path, BareDrive bareDrive = BareDrive::CurrentFolder);

// Whether the path names an existing folder (following links).
bool isExistingFolder(std::u16string_view path);
// Whether the path names an existing entry that is no folder.
bool isExistingFile(std::u16string_view path);

// 0 when the folder at `path` (a normalised full path) opens for listing, else the
// system's error code: a missing path's, an unreachable share's, a denied folder's,
// and for a file ERROR_DIRECTORY (Windows) or ENOTDIR.
uint32_t folderOpenError(std::u16string_view path);

// Whether two path texts name the same path: ignoring case on Windows
// (ordinal, as the file system compares names), exactly on POSIX.
bool samePathText(std::u16string_view a, std::u16string_view b);

// How the names of two paths compare: as NTFS does, through the upper-case table, for
// a tree's paths on either build (an imported tree may come from NTFS); or as this
// system's file system does (samePathText), for folders the user or a policy names.
enum class NameCase : uint8_t { AsNtfs, AsThisSystem };

// Whether `path` is `folder` or lies below it, by whole names: the folder's own
// separator (pathSeparatorFor) ends a name, so paths another build wrote keep theirs.
bool isPathUnder(std::u16string_view path, std::u16string_view folder, NameCase names = NameCase::AsNtfs);
