// Local time on Windows: the current dynamic time zone and the user's date format calls.
//
// Threading: each thread keeps its own copy of the zone.
#include "platform/time.h"
#include <windows.h>

namespace {
thread_local DYNAMIC_TIME_ZONE_INFORMATION tZone;
thread_local bool tZoneKnown = false;

// Wine (8.0) exports the ...Ex time-zone conversions as stubs that abort when called;
// there the classic calls with the current zone do the same job.
bool lacksExZoneCalls() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}
}  // namespace

void prepareLocalTime() {
  tZoneKnown = GetDynamicTimeZoneInformation(&tZone) != TIME_ZONE_ID_INVALID;
}

bool localTimeText(int64_t filetime, char16_t* out) {
  if (!tZoneKnown) prepareLocalTime();
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(filetime);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(filetime) >> 32);
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&ft, &utc)) return false;
  BOOL converted = lacksExZoneCalls() ? SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)
                                      : SystemTimeToTzSpecificLocalTimeEx(tZoneKnown ? &tZone : nullptr, &utc, &local);
  if (!converted) return false;
  wchar_t date[16], time[16];
  int dateLength = GetDateFormatEx(L"", 0, &local, L"yyyy'/'MM'/'dd", date, 16, nullptr);
  int timeLength = GetTimeFormatEx(L"", 0, &local, L"HH':'mm':'ss", time, 16);
  // Both lengths count the terminating NUL; the field is 19 units or nothing.
  if (dateLength != 11 || timeLength != 9) return false;
  for (int i = 0; i < 10; i++) out[i] = static_cast<char16_t>(date[i]);
  out[10] = u' ';
  for (int i = 0; i < 8; i++) out[11 + i] = static_cast<char16_t>(time[i]);
  return true;
}

int64_t filetimeFromLocal(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  SYSTEMTIME utc;
  FILETIME ft;
  BOOL converted = lacksExZoneCalls() ? TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)
                                      : TzSpecificLocalTimeToSystemTimeEx(nullptr, &local, &utc);
  if (!converted) return 0;
  if (!SystemTimeToFileTime(&utc, &ft)) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
