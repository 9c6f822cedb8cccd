// Clocks, memory figures and identity on Windows.
#include "platform/platform.h"
#include <windows.h>
#include <psapi.h>

double nowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart / 1000.0;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart / ticksPerMs;
}

double processUptimeMs() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimePreciseAsFileTime(&now);
  auto ticks = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  uint64_t a = ticks(created), b = ticks(now);
  return b > a ? (b - a) / 10000.0 : 0;
}

MemoryCounters memoryCounters() {
  MemoryCounters counters;
  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof pmc;
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
    counters.workingSet = pmc.WorkingSetSize;
    counters.peakWorkingSet = pmc.PeakWorkingSetSize;
    // Wine leaves PrivateUsage at 0; PagefileUsage is the same commit charge on Windows.
    counters.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
    counters.peakPrivateBytes = pmc.PeakPagefileUsage;
  }
  return counters;
}

bool isAdministrator() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                0, 0, 0, 0, 0, 0, &administrators))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  FreeSid(administrators);
  return member != FALSE;
}
