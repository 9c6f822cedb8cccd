// Small helpers for short texts such as setting values, registry texts and
// command-line arguments. (Comparing them ignoring case asks the system: platform/text.h.)
#pragma once
#include <cstdint>
#include <string_view>

// Without spaces, tabs, carriage returns and line feeds at both ends: a value read from
// a file, the registry or the command line.
std::u16string_view trimBlanks(std::u16string_view text);
// Without spaces and tabs at both ends, and nothing else: the pieces of a typed filter,
// where any other unit is part of a name or a type.
std::u16string_view trimSpacesAndTabs(std::u16string_view text);

// The number at the start of a text as _wtoi reads it (leading spaces and tabs,
// a sign, decimal digits up to the first other unit), clamped to 32 bits.
int32_t leadingDecimal(std::u16string_view text);
