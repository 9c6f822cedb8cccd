// Local time as the user's time zone has it, for the lists and the CSV columns.
// Implemented in platform/win32/time.cpp and platform/posix/time.cpp.
//
// Threading: any thread; each thread keeps its own view of the zone (natively a cache
// of offsets per day) until prepareLocalTime is called again.
#pragma once
#include <cstdint>

// FILETIME (100 ns since 1601, UTC) of 1970-01-01.
inline constexpr int64_t kUnixEpochFiletime = 116444736000000000;

// Picks up the current time zone (natively the TZ variable) for the calls below.
void prepareLocalTime();
// "yyyy/MM/dd HH:mm:ss" of a FILETIME in local time into out[0..18]; false when it
// cannot be converted.
bool localTimeText(int64_t filetime, char16_t* out);
// FILETIME of a validated local date and time; 0 when it cannot be converted.
int64_t filetimeFromLocal(int year, int month, int day, int hour, int minute, int second);
