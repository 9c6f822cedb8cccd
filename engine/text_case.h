// Case-insensitive comparison of short texts such as setting values.
#pragma once
#include <string_view>

// Windows: CompareStringOrdinal ignoring case. POSIX: ASCII letters folded.
bool equalIgnoringCase(std::u16string_view a, std::u16string_view b);
