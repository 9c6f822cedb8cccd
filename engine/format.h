// Numbers shown to people: byte sizes with a unit, grouped counts, fixed decimals
// and durations. Pure functions of their argument and three process-wide settings:
// the decimal and thousands separators (fixed by the interface language) and the
// unit system for sizes (fixed by the size-unit setting).
//
// Threading: the settings are written on the window thread and read by any thread;
// they are relaxed atomics, so a formatter racing a language change sees either the
// old or the new separator, never a torn value.
#pragma once
#include <cstdint>
#include <string>

// --- Process-wide settings (English until the language pack sets them) --------
void setNumberSeparators(char16_t decimalSeparator, char16_t thousandsSeparator);
char16_t decimalSeparator();     // '.' by default
char16_t thousandsSeparator();   // ',' by default
// true: units of 1000 named B, kB, MB, GB, TB, PB; false: units of 1024 named
// B, KiB, MiB, GiB, TiB, PiB. Decimal by default.
void setDecimalSizes(bool decimal);
bool decimalSizes();

// --- Formatting ------------------------------------------------------------------
// Digits of |n|, zero-padded to minDigits, '-' in front when n < 0. No grouping.
std::u16string formatInteger(int64_t n, int minDigits);
// formatInteger(n, 1) with the thousands separator between groups of three digits.
std::u16string formatCount(int64_t n);
// x rounded half up (on |x|) to `decimals` (0..6) digits after a '.'; "?" when
// |x| * 10^decimals does not fit a 64-bit integer or is not a number. The point is
// always '.', and -0.04 with one decimal gives 0.0 (no minus on a zero result).
std::u16string formatFixed(double x, int decimals);
// formatFixed(x, 1) with the decimal separator.
std::u16string formatOneDecimal(double x);
// "999 B", "1.5 kB", "931 GiB": three significant digits at most below the top
// unit; 999.5 of a unit already shows as 1.0 of the next.
std::u16string formatSize(int64_t bytes);
// "9.9 ms", "1.23 s", "1 min 2 s", "2 h 3 min".
std::u16string formatDuration(double ms);
// Like formatDuration, but below a minute in tenths of seconds: "1.2 s".
std::u16string formatSeconds(double ms);
