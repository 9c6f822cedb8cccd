// Profile files (the settings file) with the semantics of the Windows profile
// functions, so a settings file means the same on both systems: sections and keys
// ignore case, values are trimmed of blanks, a value in matching quotes loses them,
// the first of repeated keys counts. Implemented in platform/win32/ini.cpp (the
// profile functions) and platform/posix/ini.cpp (a small reader and writer).
//
// Threading: any thread; concurrent writers of one file are not coordinated.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

std::u16string readIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                           std::u16string_view fallback, uint32_t bufferUnits);
int32_t readIniInt(std::u16string_view file, std::u16string_view section, std::u16string_view key);
bool writeIniText(std::u16string_view file, std::u16string_view section, std::u16string_view key,
                  std::u16string_view value);
