// CSV file pieces on POSIX: a writer thread keeps one write in flight while the
// export fills its next chunk; the import's file read into memory; localtime_r/mktime honouring TZ.
//
// Threading: a CsvFileWriter's mutex guards the hand-over between the export body
// and the writer thread; the local-time caches are per thread.
//
// Sections: error texts · writer · file reader · local time · name order · volume
#include "engine/csv.h"
#include "engine/csv_system.h"
#include "engine/utf.h"
#include "platform/platform.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
std::string utf8Path(std::u16string_view path) { return utf8FromUtf16(path); }
}  // namespace

// --- Error texts -------------------------------------------------------------------------
std::u16string systemErrorText(uint32_t code) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not be in buffer.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  return utf16FromUtf8(text);
}

// --- Writer -----------------------------------------------------------------------------------
struct CsvFileWriter {
  int fd = -1;
  std::string targetPath;
  std::string temporaryPath;  // empty: writing straight into an existing device or pipe
  std::string bytes;          // the chunk being written, owned by the writer thread while pending
  size_t byteCount = 0;
  std::mutex lock;
  std::condition_variable changed;
  bool pending = false;
  bool quit = false;
  uint32_t error = 0;
  Thread thread;
};

namespace {

// UTF-16 to UTF-8 into a reused buffer; a chunk ends after a whole row, so surrogate
// pairs are never split (an unpaired one becomes U+FFFD).
size_t utf8FromUtf16Into(const char16_t* text, size_t length, std::string& out) {
  if (out.size() < length * 3) out.resize(length * 3);
  char* p = out.data();
  for (size_t i = 0; i < length; i++) {
    uint32_t c = text[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<size_t>(p - out.data());
}

uint32_t writeAll(int fd, const char* data, size_t length) {
  while (length) {
    ssize_t n = write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return static_cast<uint32_t>(errno);
    }
    if (n == 0) return ENOSPC;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return 0;
}

uint32_t writerMain(void* argument) {
  auto* writer = static_cast<CsvFileWriter*>(argument);
  std::unique_lock<std::mutex> guard(writer->lock);
  for (;;) {
    writer->changed.wait(guard, [writer] { return writer->pending || writer->quit; });
    if (!writer->pending) return 0;
    guard.unlock();
    uint32_t error = writeAll(writer->fd, writer->bytes.data(), writer->byteCount);
    guard.lock();
    if (error && !writer->error) writer->error = error;
    writer->pending = false;
    writer->changed.notify_all();
  }
}

// Waits for the write in flight; returns the writer's error so far.
uint32_t waitForWrite(CsvFileWriter* writer, std::unique_lock<std::mutex>& guard) {
  writer->changed.wait(guard, [writer] { return !writer->pending; });
  return writer->error;
}

}  // namespace

namespace {
std::atomic<uint32_t> gTemporaryCounter{0};

// A fresh file beside `target`, created exclusively; -1 with errno set when it cannot be.
int createTemporaryBeside(const std::string& target, std::string& temporary) {
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; attempt++) {
    temporary = folder + ".mossbloom-" + std::to_string(getpid()) + "-" +
                std::to_string(gTemporaryCounter.fetch_add(1)) + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
}  // namespace

CsvFileWriter* openCsvFileWriter(std::u16string_view path, uint32_t& error) {
  std::string target = utf8Path(path);
  struct stat info;
  // A link keeps pointing where it did: the file it names is the one replaced.
  if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target = real;
      free(real);
    }
  }
  int fd = -1;
  std::string temporary;
  bool exists = stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) {
      error = EISDIR;
      return nullptr;
    }
    // A device or a pipe is written into as it is; it is never truncated or removed.
    fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  } else {
    // The file is replaced only when complete, so a file the user cannot write to
    // is refused now rather than swapped away from under its permissions.
    if (exists && access(target.c_str(), W_OK) != 0) {
      error = static_cast<uint32_t>(errno);
      return nullptr;
    }
    fd = createTemporaryBeside(target, temporary);
    if (fd >= 0 && exists) fchmod(fd, info.st_mode & 07777);
  }
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return nullptr;
  }
  auto* writer = new CsvFileWriter;
  writer->fd = fd;
  writer->targetPath = target;
  writer->temporaryPath = temporary;
  writer->thread = startThread(writerMain, writer, 256 << 10);
  if (!writer->thread.handle) failOutOfMemory();
  return writer;
}

bool writeCsvChunk(CsvFileWriter* writer, const char16_t* text, size_t length) {
  std::unique_lock<std::mutex> guard(writer->lock);
  if (waitForWrite(writer, guard)) return false;
  guard.unlock();
  writer->byteCount = utf8FromUtf16Into(text, length, writer->bytes);   // the writer thread is idle now
  guard.lock();
  writer->pending = true;
  writer->changed.notify_all();
  return true;
}

uint32_t closeCsvFileWriter(CsvFileWriter* writer, bool complete) {
  {
    std::unique_lock<std::mutex> guard(writer->lock);
    waitForWrite(writer, guard);
    writer->quit = true;
    writer->changed.notify_all();
  }
  joinThread(writer->thread);
  uint32_t error = writer->error;
  bool replace = !writer->temporaryPath.empty();
  // Flushed before it takes the target's place: a crash never leaves a short file there.
  if (replace && complete && !error && fsync(writer->fd) != 0) error = static_cast<uint32_t>(errno);
  // Some file systems report a failed write-back only here.
  if (close(writer->fd) != 0 && !error && errno != EINTR) error = static_cast<uint32_t>(errno);
  if (replace) {
    const char* temporary = writer->temporaryPath.c_str();
    if (complete && !error && rename(temporary, writer->targetPath.c_str()) != 0) error = static_cast<uint32_t>(errno);
    if (!complete || error) unlink(temporary);
  }
  delete writer;
  return error;
}

// --- File reader ----------------------------------------------------------------------------------
bool loadCsvFile(std::u16string_view path, CsvFileBytes& file, uint32_t& error) {
  file = CsvFileBytes{};
  error = 0;
  // Without O_NONBLOCK, opening a pipe waits for a writer that may never come.
  int fd = open(utf8Path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = static_cast<uint32_t>(errno);
    return false;
  }
  struct stat before;
  if (fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
    error = S_ISDIR(before.st_mode) ? EISDIR : kCsvNotAFile;
    close(fd);
    return false;
  }
  if (before.st_size <= 0) {
    close(fd);
    return false;
  }
  size_t size = static_cast<size_t>(before.st_size);
  // Pages of their own, given back whole when the import is done. Large pages: faulting
  // in 4 KiB pages one by one cost ten times the read itself (docs/performance-csv.md).
  void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (data == MAP_FAILED) {
    error = kCsvOutOfMemory;
    close(fd);
    return false;
  }
  madvise(data, size, MADV_HUGEPAGE);
  size_t got = 0;
  while (got < size) {
    ssize_t n = pread(fd, static_cast<char*>(data) + got, size - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? static_cast<uint32_t>(errno) : kCsvChangedWhileRead;
      break;
    }
    got += static_cast<size_t>(n);
  }
  struct stat after;
  if (!error && (fstat(fd, &after) != 0 || after.st_size != before.st_size ||
                 after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec))
    error = kCsvChangedWhileRead;
  close(fd);
  if (error) {
    munmap(data, size);
    return false;
  }
  file.data = static_cast<const uint8_t*>(data);
  file.size = size;
  return true;
}

void releaseCsvFile(CsvFileBytes& file) {
  if (file.data) munmap(const_cast<uint8_t*>(file.data), file.size);
  file = CsvFileBytes{};
}

// --- Local time ------------------------------------------------------------------------------------
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

// --- Name order ----------------------------------------------------------------------------------------
// Upper-cased code units in ordinal order, then the exact units: a stable, locale-free
// stand-in for the Windows user-locale comparison.
int compareNamesIgnoringCase(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  size_t n = aLength < bLength ? aLength : bLength;
  const char16_t* upper = upperCaseTable();
  for (size_t i = 0; i < n; i++) {
    char16_t x = upper[a[i]], y = upper[b[i]];
    if (x != y) return x < y ? -1 : 1;
  }
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  for (size_t i = 0; i < n; i++) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

// --- Volume --------------------------------------------------------------------------------------------
namespace {

// /proc/self/mountinfo escapes blanks and backslashes as \ooo.
std::string unescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      int value = 0;
      bool octal = true;
      for (size_t k = 1; k <= 3; k++) {
        char c = field[i + k];
        if (c < '0' || c > '7') octal = false;
        value = value * 8 + (c - '0');
      }
      if (octal) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

}  // namespace

CsvVolume csvVolumeFor(std::u16string_view path) {
  CsvVolume volume;
  std::string target = utf8Path(path);
  struct statvfs fs;
  if (statvfs(target.c_str(), &fs) == 0) {
    volume.capacity = static_cast<int64_t>(fs.f_blocks) * static_cast<int64_t>(fs.f_frsize);
    volume.freeBytes = static_cast<int64_t>(fs.f_bfree) * static_cast<int64_t>(fs.f_frsize);
  }
  // The file system type of the longest mount point holding the path; native
  // volumes have no label the way Windows volumes do, so it stays empty.
  // C stdio rather than a stream: with no descriptor free the open fails and the type
  // stays unknown, while the sanitized build's check of a stream's dynamic type then
  // reports a fault that is not there (it probes memory through a pipe of its own).
  FILE* mounts = fopen("/proc/self/mountinfo", "re");
  std::string line, best;
  size_t bestLength = 0;
  char* raw = nullptr;
  size_t rawSize = 0;
  ssize_t got;
  while (mounts && (got = getline(&raw, &rawSize, mounts)) > 0) {
    line.assign(raw, raw[got - 1] == '\n' ? got - 1 : got);
    // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
    size_t fields[5] = {};
    size_t at = 0;
    for (int f = 0; f < 5 && at != std::string::npos; f++) {
      fields[f] = at;
      at = line.find(' ', at);
      if (at != std::string::npos) at++;
    }
    if (at == std::string::npos) continue;
    std::string mountPoint = unescapeMountField(line.substr(fields[4], line.find(' ', fields[4]) - fields[4]));
    size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    size_t typeStart = dash + 3;
    std::string type = line.substr(typeStart, line.find(' ', typeStart) - typeStart);
    bool under = target.compare(0, mountPoint.size(), mountPoint) == 0 &&
                 (mountPoint == "/" || target.size() == mountPoint.size() || target[mountPoint.size()] == '/');
    if (under && mountPoint.size() >= bestLength) {
      bestLength = mountPoint.size();
      best = type;
    }
  }
  free(raw);
  if (mounts) fclose(mounts);
  volume.fileSystem = utf16FromUtf8(best);
  return volume;
}
