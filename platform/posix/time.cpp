// Local time natively: localtime_r honouring TZ, with a per-thread cache of offsets.
//
// Threading: the caches are per thread; prepareLocalTime makes every thread drop its own.
#include "platform/time.h"
#include <algorithm>
#include <atomic>
#include <climits>
#include <ctime>
#include <memory>

// localtime_r and mktime may look at the zone file on every call, far too slow per
// row. Each thread remembers, per UTC day it met, the offsets at the day's start and
// end and, when they differ, the second the offset changed (zones change at most once
// a day). Local-to-UTC conversions near a change go to mktime for its rules.
namespace {

std::atomic<uint32_t> gZoneGeneration{1};

constexpr size_t kCacheSlots = 8192;

struct DayOffsets {
  int64_t day = INT64_MIN;
  int64_t startOffset = 0;
  int64_t endOffset = 0;
  int64_t changeAt = 0;    // first second of endOffset when the two differ
};

// A local calendar day whose every time maps to UTC with one offset.
struct LocalDay {
  int64_t day = INT64_MIN;
  int64_t offset = 0;
  bool constant = false;
};

struct ZoneCache {
  uint32_t generation = 0;
  DayOffsets days[kCacheSlots];
  LocalDay localDays[kCacheSlots];
};

thread_local std::unique_ptr<ZoneCache> tZoneCache;   // freed when the thread ends

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = floorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  int64_t era = floorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = yoe + era * 400 + (m <= 2);
}

bool systemOffset(int64_t seconds, int64_t& offset) {
  time_t t = static_cast<time_t>(seconds);
  struct tm local;
  if (!localtime_r(&t, &local)) return false;
  offset = local.tm_gmtoff;
  return true;
}

ZoneCache& currentZoneCache() {
  if (!tZoneCache) tZoneCache = std::make_unique<ZoneCache>();
  ZoneCache& cache = *tZoneCache;
  uint32_t generation = gZoneGeneration.load(std::memory_order_relaxed);
  if (cache.generation != generation) {
    for (auto& d : cache.days) d.day = INT64_MIN;
    for (auto& d : cache.localDays) d.day = INT64_MIN;
    cache.generation = generation;
  }
  return cache;
}

const DayOffsets* dayOffsets(int64_t seconds) {
  ZoneCache& cache = currentZoneCache();
  int64_t day = floorDiv(seconds, 86400);
  DayOffsets& entry = cache.days[static_cast<uint64_t>(day) % kCacheSlots];
  if (entry.day == day) return &entry;
  int64_t start = day * 86400, end = start + 86399;
  DayOffsets fresh;
  if (!systemOffset(start, fresh.startOffset) || !systemOffset(end, fresh.endOffset)) return nullptr;
  if (fresh.startOffset != fresh.endOffset) {
    int64_t lo = start, hi = end;   // offset(lo) is the start's, offset(hi) the end's
    while (hi - lo > 1) {
      int64_t mid = lo + (hi - lo) / 2, offset;
      if (!systemOffset(mid, offset)) return nullptr;
      (offset == fresh.endOffset ? hi : lo) = mid;
    }
    fresh.changeAt = hi;
  }
  fresh.day = day;
  entry = fresh;
  return &entry;
}

bool utcOffsetAt(int64_t seconds, int64_t& offset) {
  const DayOffsets* d = dayOffsets(seconds);
  if (!d) return false;
  offset = d->startOffset == d->endOffset || seconds < d->changeAt ? d->startOffset : d->endOffset;
  return true;
}

// The UTC days around a local day (offsets stay within a day) all have one offset.
const LocalDay& localDay(int64_t local) {
  int64_t day = floorDiv(local, 86400);
  LocalDay& entry = currentZoneCache().localDays[static_cast<uint64_t>(day) % kCacheSlots];
  if (entry.day == day) return entry;
  LocalDay fresh;
  fresh.day = day;
  fresh.constant = true;
  for (int64_t d = day - 1; d <= day + 1 && fresh.constant; d++) {
    const DayOffsets* offsets = dayOffsets(d * 86400);
    if (!offsets || offsets->startOffset != offsets->endOffset) fresh.constant = false;
    else if (d == day - 1) fresh.offset = offsets->startOffset;
    else if (offsets->startOffset != fresh.offset) fresh.constant = false;
  }
  entry = fresh;
  return entry;
}

void putDigits(char16_t* out, int64_t value, int width) {
  for (int i = width - 1; i >= 0; i--) {
    out[i] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  }
}

}  // namespace

void prepareLocalTime() {
  tzset();
  gZoneGeneration.fetch_add(1, std::memory_order_acq_rel);
}

bool localTimeText(int64_t filetime, char16_t* out) {
  if (filetime <= 0) return false;
  int64_t seconds = floorDiv(filetime - kUnixEpochFiletime, 10000000);
  int64_t offset;
  if (!utcOffsetAt(seconds, offset)) return false;
  int64_t local = seconds + offset;
  int64_t days = floorDiv(local, 86400);
  int64_t rest = local - days * 86400;
  int64_t y, m, d;
  civilFromDays(days, y, m, d);
  if (y < 1601 || y > 9999) return false;   // the text has room for four year digits
  putDigits(out, y, 4);
  out[4] = u'/';
  putDigits(out + 5, m, 2);
  out[7] = u'/';
  putDigits(out + 8, d, 2);
  out[10] = u' ';
  putDigits(out + 11, rest / 3600, 2);
  out[13] = u':';
  putDigits(out + 14, rest / 60 % 60, 2);
  out[16] = u':';
  putDigits(out + 17, rest % 60, 2);
  return true;
}

int64_t filetimeFromLocal(int year, int month, int day, int hour, int minute, int second) {
  int64_t local = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  // Away from a change of offset the local time maps to exactly one UTC time.
  const LocalDay& d = localDay(local);
  if (d.constant) return (local - d.offset) * 10000000 + kUnixEpochFiletime;
  // Near a change it may name two instants (the repeated hour) or none (the skipped
  // one). mktime would pick by a guess it shares between all threads, so the answer
  // would depend on what any thread converted before: take the earlier instant, and
  // in a gap read the time with the offset in force before it.
  int64_t localDayNumber = floorDiv(local, 86400);
  int64_t offsets[6];
  int count = 0;
  for (int64_t u = localDayNumber - 1; u <= localDayNumber + 1; u++) {
    const DayOffsets* o = dayOffsets(u * 86400);
    if (!o) return 0;
    for (int64_t offset : {o->startOffset, o->endOffset}) {
      bool known = false;
      for (int k = 0; k < count; k++) known |= offsets[k] == offset;
      if (!known) offsets[count++] = offset;
    }
  }
  int64_t best = INT64_MAX, earliest = INT64_MAX;
  for (int k = 0; k < count; k++) {
    int64_t candidate = local - offsets[k], actual;
    earliest = std::min(earliest, candidate);
    if (utcOffsetAt(candidate, actual) && actual == offsets[k]) best = std::min(best, candidate);
  }
  if (best == INT64_MAX) {
    int64_t before;
    if (!utcOffsetAt(earliest, before)) return 0;
    best = local - before;
  }
  return best * 10000000 + kUnixEpochFiletime;
}
