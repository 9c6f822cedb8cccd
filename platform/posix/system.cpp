// Clocks, memory figures and identity on Linux.
#include "platform/platform.h"
#include <time.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <cstdlib>

double nowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double processUptimeMs() {
  // Field 22 of /proc/self/stat is the start time in clock ticks since boot.
  FILE* f = fopen("/proc/self/stat", "r");
  if (!f) return 0;
  char buffer[1024];
  size_t n = fread(buffer, 1, sizeof buffer - 1, f);
  fclose(f);
  buffer[n] = 0;
  const char* p = strrchr(buffer, ')');  // the command name may hold spaces
  if (!p) return 0;
  int field = 2;
  unsigned long long startTicks = 0;
  for (const char* q = p + 1; *q; q++) {
    if (*q == ' ' && ++field == 22) { startTicks = strtoull(q + 1, nullptr, 10); break; }
  }
  timespec boot;
  clock_gettime(CLOCK_BOOTTIME, &boot);
  double sinceBootMs = boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6;
  double startMs = startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
  double uptime = sinceBootMs - startMs;
  return uptime > 0 ? uptime : 0;
}

MemoryCounters memoryCounters() {
  MemoryCounters counters;
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return counters;
  char line[256];
  uint64_t rssAnon = 0, swap = 0, data = 0;
  auto kib = [](const char* s) { return strtoull(s, nullptr, 10) * 1024; };
  while (fgets(line, sizeof line, f)) {
    if (!strncmp(line, "VmRSS:", 6)) counters.workingSet = kib(line + 6);
    else if (!strncmp(line, "VmHWM:", 6)) counters.peakWorkingSet = kib(line + 6);
    else if (!strncmp(line, "RssAnon:", 8)) rssAnon = kib(line + 8);
    else if (!strncmp(line, "VmSwap:", 7)) swap = kib(line + 7);
    else if (!strncmp(line, "VmData:", 7)) data = kib(line + 7);
  }
  fclose(f);
  // Private bytes: anonymous resident memory plus what was swapped out. Linux keeps
  // no peak of that, so the peak is the largest of what we can see.
  counters.privateBytes = rssAnon ? rssAnon + swap : data;
  counters.peakPrivateBytes = counters.privateBytes;
  if (counters.peakWorkingSet > counters.peakPrivateBytes) counters.peakPrivateBytes = counters.peakWorkingSet;
  return counters;
}

bool isAdministrator() { return geteuid() == 0; }
