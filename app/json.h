// The JSON building blocks the benchmark and the policy dump print with.
//
// Threading: pure functions.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A JSON string: quotes, `"` and `\` escaped, units below 0x20 as \u00xx;
// everything else, non-ASCII included, unchanged.
void appendJsonString(std::u16string& out, std::u16string_view text);
// ,"name":[v,v,...] with each value as "%.3f"; always after another member.
void appendJsonNumberArray(std::u16string& out, std::u16string_view name, std::span<const double> values);
void appendJsonBool(std::u16string& out, bool value);
void appendJsonNull(std::u16string& out);
// Plain ASCII pieces of a JSON member: an integer ("%lld") and a "%.3f" number.
void appendJsonInteger(std::u16string& out, int64_t value);
void appendJsonFixed3(std::u16string& out, double value);
