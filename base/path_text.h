// Path text: the separators of this build and of paths another build wrote.
//
// Threading: pure functions.
#pragma once
#include <string_view>

// Path separator of this platform: `\` on Windows, `/` natively (where `/` plays C:\).
#if defined(_WIN32)
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// Separator of the paths under `rootPath`: `/` for a root that starts with one (native
// scans), `\` for drive letters and UNC roots, the platform's own otherwise. A tree
// imported from a file the other build wrote keeps the separator of its root.
char16_t pathSeparatorFor(std::u16string_view rootPath);
