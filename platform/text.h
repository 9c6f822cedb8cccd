// Texts as the system knows them: its error messages, its upper-case mapping and the
// order it sorts names in. Implemented in platform/win32/ and platform/posix/ (text.cpp,
// text_case.cpp, upper_case.cpp); the table itself is built in platform/upper_case.cpp.
//
// Threading: any thread; the upper-case table is built once by whichever thread asks
// first and never changes afterwards.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The system's message for an error code (Windows error or errno), without trailing
// blanks and line ends; "Windows error %lu." when Windows has none.
std::u16string systemErrorText(uint32_t code);

// The process-wide 65 536-entry upper-case table: every case-insensitive comparison of
// names and paths goes through it, so both targets fold the same units. It is the
// system's own mapping, so it lives here and not in base/.
const char16_t* upperCaseTable();
inline char16_t upperCase(char16_t c) { return upperCaseTable()[c]; }

// File names and paths: equal when every unit upper-cases alike through the table, the
// way NTFS tells names apart, on both targets.
bool equalNamesIgnoringCase(std::u16string_view a, std::u16string_view b);

// <0, 0 or >0: the order of two names ignoring case, as the user expects in listings
// (Windows: the user locale; natively upper-cased units in ordinal order, then exact).
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);

// Short texts such as setting values, registry texts and command-line arguments, which
// each build compares as its own settings store does: Windows CompareStringOrdinal
// ignoring case, POSIX only ASCII letters folded. Never for names or paths
// (equalNamesIgnoringCase above).
bool equalIgnoringCase(std::u16string_view a, std::u16string_view b);
