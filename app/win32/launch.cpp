#include "app/launch.h"
#include <cstdint>
#include <windows.h>

bool wasLaunchedInteractively() {
  FILETIME created, exited, kernel, user, now;
  LASTINPUTINFO input = {sizeof input, 0};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user) || !GetLastInputInfo(&input))
    return true;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  uint64_t ageMs = ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10000 : 0;
  uint32_t sinceInputMs = GetTickCount() - input.dwTime;  // unsigned: survives the 49-day wrap
  return sinceInputMs < ageMs + 3000;
}
