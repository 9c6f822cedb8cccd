// CSV import: lenient UTF-8 lines, the header, rows, year-first times, and the
// tree built from rows in export order (each row's parent is a folder row before it).
//
// Threading: importCsv runs on one engine thread; for files of 1 MiB of rows and more
// it hands rows to a parsing thread and the tree to a building thread
// (csv_import_threads.cpp), and only one thread ever writes the tree. importCsvFile
// starts the engine thread and waits for it.
//
// Sections: lines and UTF-8 · rows · times · header · import (node reader, one
//           thread) · file entry
#include "engine/csv.h"
#include "engine/csv_import_rows.h"
#include "engine/csv_native_names.h"
#include "base/utf.h"
#include "platform/file.h"
#include "platform/time.h"
#include "platform/platform.h"
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

// --- Lines and UTF-8 -----------------------------------------------------------------------
namespace {

struct LineReader {
  const uint8_t* data;
  size_t length;
  size_t position = 0;

  bool atEnd() const { return position >= length; }
  // The next line without its LF and one CR before it.
  void next(const uint8_t*& line, size_t& lineLength) {
    const uint8_t* start = data + position;
    size_t rest = length - position;
    const void* lf = std::memchr(start, '\n', rest);
    size_t n = lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - start) : rest;
    position += lf ? n + 1 : n;
    if (lf && n > 0 && start[n - 1] == '\r') n--;
    line = start;
    lineLength = n;
  }
};

size_t skipByteOrderMark(const uint8_t* bytes, size_t length) {
  return length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
}

bool startsWith(const uint8_t* line, size_t length, std::string_view text) {
  return length >= text.size() && std::memcmp(line, text.data(), text.size()) == 0;
}

}  // namespace

// --- Rows ---------------------------------------------------------------------------------------
namespace {

// The leading decimal digits; a sign or an empty field gives 0, a value beyond
// 64 bits stops at the largest one.
int64_t fieldNumber(const uint8_t* p, size_t length) {
  uint64_t value = 0;
  // Eighteen digits cannot overflow: no check until then.
  size_t quick = length < 18 ? length : 18;
  size_t i = 0;
  for (; i < quick; i++) {
    uint32_t digit = static_cast<uint32_t>(p[i]) - '0';
    if (digit > 9) return static_cast<int64_t>(value);
    value = value * 10 + digit;
  }
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  for (; i < length && p[i] >= '0' && p[i] <= '9'; i++) {
    uint64_t digit = p[i] - '0';
    if (value > (kMax - digit) / 10) return static_cast<int64_t>(kMax);
    value = value * 10 + digit;
  }
  return static_cast<int64_t>(value);
}

// A row split in place: the path is line[1..close), Modified stays undecoded.
struct CsvRowFields {
  size_t close = 0;
  bool doubledQuote = false;   // the path holds a "" that stands for one "
  int64_t size = 0;
  int64_t allocated = 0;
  int64_t attributes = 0;
  int64_t capacity = 0;
  int64_t freeBytes = 0;
  const uint8_t* modified = nullptr;
  size_t modifiedLength = 0;
  int fields = 0;
};

// The first comma in [p, end). Words of eight bytes may be read up to `readable`
// (at least `end`): the bytes after the line are still in the data.
const uint8_t* nextComma(const uint8_t* p, const uint8_t* end, const uint8_t* readable) {
  while (readable - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    uint64_t x = word ^ 0x2C2C2C2C2C2C2C2Cull;
    // The lowest flagged byte is the first comma (a borrow only flags bytes above one).
    uint64_t flags = (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
    if (flags) {
      const uint8_t* comma = p + (__builtin_ctzll(flags) >> 3);
      return comma < end ? comma : end;
    }
    p += 8;
    if (p >= end) return end;
  }
  while (p < end && *p != ',') p++;
  return p;
}

// A doubled quote in a path stands for one: only names made outside Windows hold one.
size_t undoubleQuotes(char16_t* units, size_t length) {
  size_t kept = 0;
  for (size_t i = 0; i < length; i++) {
    units[kept++] = units[i];
    if (units[i] == u'"' && i + 1 < length && units[i + 1] == u'"') i++;
  }
  return kept;
}

// False when the line has no quoted path followed by something.
bool splitCsvRow(const uint8_t* line, size_t length, const uint8_t* readable, CsvRowFields& row) {
  if (length < 2 || line[0] != '"') return false;
  size_t close = 1;
  for (;;) {
    const void* q = std::memchr(line + close, '"', length - close);
    if (!q) return false;
    close = static_cast<size_t>(static_cast<const uint8_t*>(q) - line);
    if (close + 1 < length && line[close + 1] == '"') {
      close += 2;
      row.doubledQuote = true;
      if (close >= length) return false;
      continue;
    }
    break;
  }
  if (close + 1 >= length) return false;
  row.close = close;

  const uint8_t* end = line + length;
  const uint8_t* p = nextComma(line + close + 1, end, readable);
  while (p < end && row.fields < 8) {
    const uint8_t* start = p + 1;
    const uint8_t* stop = nextComma(start, end, readable);
    size_t n = static_cast<size_t>(stop - start);
    switch (row.fields) {
      case 0: row.size = fieldNumber(start, n); break;
      case 1: row.allocated = fieldNumber(start, n); break;
      case 2: row.modified = start; row.modifiedLength = n; break;
      case 3: row.attributes = fieldNumber(start, n); break;
      case 6: row.capacity = fieldNumber(start, n); break;
      case 7: row.freeBytes = fieldNumber(start, n); break;
      default: break;
    }
    row.fields++;
    p = stop;
  }
  return true;
}

}  // namespace

bool parseCsvRow(const uint8_t* line, size_t length, CsvRow& row) {
  CsvRowFields fields;
  if (!splitCsvRow(line, length, line + length, fields)) return false;
  row.path.clear();
  appendUtf16FromLenientUtf8(line + 1, fields.close - 1, row.path);
  if (fields.doubledQuote) row.path.resize(undoubleQuotes(row.path.data(), row.path.size()));
  if (!row.path.empty() && row.path[0] == u'/' && row.path.find(u'\\') != std::u16string::npos)
    row.path.resize(unescapeNativeCsvPath(row.path.data(), row.path.size()));
  row.size = fields.size;
  row.allocated = fields.allocated;
  row.attributes = fields.attributes;
  row.capacity = fields.capacity;
  row.freeBytes = fields.freeBytes;
  row.modified.clear();
  if (fields.modified) appendUtf16FromLenientUtf8(fields.modified, fields.modifiedLength, row.modified);
  return fields.fields > 3;
}

// --- Times --------------------------------------------------------------------------------------
// Calendar days met during one import. A day whose last second lies exactly 86 399 s
// after its midnight has one offset throughout (zones change at most once a day), so
// its times need no call to the system. Eight bytes a day keep the table (twelve
// years of days) within the second-level cache.
struct CsvDayCache {
  static constexpr int32_t kOffsetChanges = INT32_MIN;
  struct Day {
    int32_t key = -1;         // year * 512 + month * 32 + day
    int32_t offset = 0;       // local minus UTC seconds, or kOffsetChanges: ask for every time
  };
  Day days[8192];
};

namespace {

// Up to six numbers: digits accumulate, a non-digit after a digit moves to the next.
template <typename Unit>
void timeNumbers(const Unit* text, size_t length, uint32_t numbers[6]) {
  int index = 0;
  bool inNumber = false;
  for (size_t i = 0; i < length; i++) {
    uint32_t c = text[i];
    if (c >= '0' && c <= '9') {
      // Saturate: an absurd number is rejected below instead of wrapping into a valid one.
      numbers[index] = std::min<uint32_t>(numbers[index] * 10 + (c - '0'), 100000000);
      inNumber = true;
    } else if (inNumber) {
      inNumber = false;
      if (++index == 6) break;
    }
  }
}

// The export's own "yyyy/MM/dd HH:mm:ss" (any non-digit between the numbers): the
// same six numbers timeNumbers finds, without a branch per byte.
bool exportedTimeNumbers(const uint8_t* p, size_t length, uint32_t numbers[6]) {
  if (length != 19) return false;
  auto digit = [&](int i) { return static_cast<uint32_t>(p[i] - '0'); };
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
    if (digit(i) > 9) return false;
  }
  for (int i : {4, 7, 10, 13, 16}) {
    if (digit(i) <= 9) return false;
  }
  numbers[0] = digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3);
  numbers[1] = digit(5) * 10 + digit(6);
  numbers[2] = digit(8) * 10 + digit(9);
  numbers[3] = digit(11) * 10 + digit(12);
  numbers[4] = digit(14) * 10 + digit(15);
  numbers[5] = digit(17) * 10 + digit(18);
  return true;
}

int64_t filetimeOfNumbers(const uint32_t numbers[6], CsvDayCache* cache) {
  uint32_t year = numbers[0], month = numbers[1], day = numbers[2];
  uint32_t hour = numbers[3], minute = numbers[4], second = numbers[5];
  if (year <= 1600 || year > 30827) return 0;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return 0;
  static const uint8_t kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return 0;
  int y = static_cast<int>(year), mo = static_cast<int>(month), d = static_cast<int>(day);
  int h = static_cast<int>(hour), mi = static_cast<int>(minute), s = static_cast<int>(second);
  if (cache) {
    int32_t key = y * 512 + mo * 32 + d;
    // Days since 1970-01-01 (proleptic Gregorian); the year is above 1600.
    int yy = y - (mo <= 2);
    int era = yy / 400, yoe = yy - era * 400;
    int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t days = int64_t{era} * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    CsvDayCache::Day& entry = cache->days[static_cast<uint64_t>(days) % 8192];
    if (entry.key != key) {
      constexpr int64_t kTicks = 10000000;
      int64_t first = filetimeFromLocal(y, mo, d, 0, 0, 0);
      int64_t last = filetimeFromLocal(y, mo, d, 23, 59, 59);
      entry.key = key;
      entry.offset = CsvDayCache::kOffsetChanges;
      if (first != 0 && last != 0 && last - first == 86399 * kTicks && (first - kUnixEpochFiletime) % kTicks == 0) {
        int64_t offset = days * 86400 - (first - kUnixEpochFiletime) / kTicks;
        if (offset > -86400 * 2 && offset < 86400 * 2) entry.offset = static_cast<int32_t>(offset);
      }
    }
    if (entry.offset != CsvDayCache::kOffsetChanges) {
      return (days * 86400 + h * 3600 + mi * 60 + s - entry.offset) * 10000000 + kUnixEpochFiletime;
    }
  }
  return filetimeFromLocal(y, mo, d, h, mi, s);
}

}  // namespace

int64_t parseCsvTime(std::u16string_view text) {
  uint32_t numbers[6] = {};
  timeNumbers(text.data(), text.size(), numbers);
  return filetimeOfNumbers(numbers, nullptr);
}

// --- Header --------------------------------------------------------------------------------------
char16_t csvSeparatorFor(std::u16string_view rootPath) { return pathSeparatorFor(rootPath); }

namespace {

// The root row's path without its trailing separator, except for X:\ and /.
std::u16string rootPathFromRow(std::u16string path) {
  char16_t separator = csvSeparatorFor(path);
  bool driveRoot = path.size() == 3 && path[1] == u':' && path[2] == separator;
  if (!path.empty() && path.back() == separator && !driveRoot && path.size() > 1) path.pop_back();
  return path;
}

}  // namespace

bool readCsvHeader(const uint8_t* bytes, size_t length, CsvHeader& header, CsvRow& firstRow) {
  header = CsvHeader{};
  size_t start = skipByteOrderMark(bytes, length);
  LineReader lines{bytes, length, start};
  const uint8_t* line;
  size_t n;
  if (lines.atEnd()) return false;
  lines.next(line, n);
  if (!startsWith(line, n, "File Name,")) {
    std::u16string title;
    appendUtf16FromLenientUtf8(line, n, title);
    std::u16string_view view(title);
    if (view.starts_with(kCsvTitlePrefix)) {
      view.remove_prefix(kCsvTitlePrefix.size());
      size_t split = view.find(kCsvTitleSeparator);
      if (split == std::u16string_view::npos) {
        header.label.assign(view);
      } else {
        header.label.assign(view.substr(0, split));
        header.fileSystem.assign(view.substr(split + kCsvTitleSeparator.size()));
      }
    }
    if (lines.atEnd()) return false;
    lines.next(line, n);
    if (!startsWith(line, n, "File Name,")) return false;
  }
  if (lines.atEnd()) return false;
  lines.next(line, n);
  if (!parseCsvRow(line, n, firstRow) || firstRow.path.empty() || firstRow.path.find(u'\0') != std::u16string::npos)
    return false;
  header.rootPath = rootPathFromRow(firstRow.path);
  if (header.rootPath.size() >= 2 && header.rootPath[1] == u':') {
    char16_t c = header.rootPath[0];
    header.driveLetter = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  }
  header.capacity = firstRow.capacity;
  header.freeBytes = firstRow.freeBytes;
  header.bodyOffset = lines.position;
  return true;
}

// --- Import -------------------------------------------------------------------------------------
namespace {
size_t gTwoThreadBytes = kCsvTwoThreadBytes;
size_t gRowsPerBatch = kCsvRowsPerBatch;
}  // namespace

void setCsvImportTuningForTesting(size_t twoThreadBytes, size_t rowsPerBatch) {
  gTwoThreadBytes = twoThreadBytes ? twoThreadBytes : kCsvTwoThreadBytes;
  gRowsPerBatch = rowsPerBatch ? rowsPerBatch : kCsvRowsPerBatch;
}

CsvTimeReader::CsvTimeReader() : days(std::make_unique<CsvDayCache>()) {}
CsvTimeReader::~CsvTimeReader() = default;

void startCsvNodes(CsvNodeReader& reader, const uint8_t* bytes, size_t length, const CsvHeader& header,
                   int32_t root) {
  reader.data = bytes;
  reader.length = length;
  reader.position = header.bodyOffset;
  reader.separator = csvSeparatorFor(header.rootPath);
  reader.prefix = header.rootPath;
  if (reader.prefix.empty() || reader.prefix.back() != reader.separator) reader.prefix.push_back(reader.separator);
  reader.stack.assign(1, CsvNodeReader::Level{root, reader.prefix.size()});
  reader.path.resize(1024);
  // Sizes beyond what 64 bits can sum are cut, so no folder total can overflow.
  reader.sizeBudget = std::numeric_limits<int64_t>::max();
  reader.onDiskBudget = std::numeric_limits<int64_t>::max();
  reader.nextNode = root + 1;
}

int64_t csvTimeOfField(CsvTimeReader& times, const uint8_t* bytes, size_t length) {
  uint32_t numbers[6] = {};
  uint8_t all = 0;
  for (size_t i = 0; i < length; i++) all |= bytes[i];
  if (all >= 0x80) {
    // A lenient multi-byte sequence may swallow a digit: read the decoded text.
    times.text.clear();
    appendUtf16FromLenientUtf8(bytes, length, times.text);
    timeNumbers(times.text.data(), times.text.size(), numbers);
  } else if (!exportedTimeNumbers(bytes, length, numbers)) {
    timeNumbers(bytes, length, numbers);
  }
  return filetimeOfNumbers(numbers, times.days.get());
}

bool nextCsvNode(CsvNodeReader& reader, CsvNodeRecord& record) {
  const char16_t separator = reader.separator;
  std::u16string& prefix = reader.prefix;
  auto& stack = reader.stack;
  while (reader.position < reader.length) {
    const uint8_t* line = reader.data + reader.position;
    size_t rest = reader.length - reader.position;
    const void* lf = std::memchr(line, '\n', rest);
    size_t n = lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - line) : rest;
    reader.position += lf ? n + 1 : n;
    if (lf && n > 0 && line[n - 1] == '\r') n--;

    CsvRowFields row;
    if (!splitCsvRow(line, n, reader.data + reader.length, row) || row.fields <= 3) continue;
    size_t pathBytes = row.close - 1;
    if (reader.path.size() < pathBytes + 1) reader.path.resize(std::max(pathBytes + 1, reader.path.size() * 2));
    const char16_t* path = reader.path.data();
    size_t pathLength = utf16FromLenientUtf8(line + 1, pathBytes, reader.path.data());
    if (row.doubledQuote) pathLength = undoubleQuotes(reader.path.data(), pathLength);
    if (separator == u'/' && std::memchr(line + 1, '\\', pathBytes))
      pathLength = unescapeNativeCsvPath(reader.path.data(), pathLength);

    // Every prefix on the stack starts the one above it, so one comparison with the
    // top tells how far to pop: to the deepest prefix the path extends. Most rows
    // extend the top itself.
    size_t topLength = prefix.size();
    if (!(pathLength > topLength && std::memcmp(path, prefix.data(), topLength * sizeof(char16_t)) == 0)) {
      size_t common = 0;
      size_t limit = std::min(pathLength, topLength);
      while (common < limit && path[common] == prefix[common]) common++;
      while (stack.size() > 1 && !(stack.back().prefixLength <= common && pathLength > stack.back().prefixLength)) {
        stack.pop_back();
      }
      size_t prefixLength = stack.back().prefixLength;
      prefix.resize(prefixLength);
      if (!(prefixLength <= common && pathLength > prefixLength)) continue;
    }

    size_t prefixLength = prefix.size();
    const char16_t* name = path + prefixLength;
    size_t nameLength = pathLength - prefixLength;
    bool folder = name[nameLength - 1] == separator;
    if (folder) {
      nameLength--;
    } else if (name[nameLength - 1] == u'.' &&
               std::find(name, name + nameLength, u'.') == name + nameLength - 1) {
      nameLength--;
    }
    if (nameLength == 0 || std::find(name, name + nameLength, separator) != name + nameLength) continue;
    // A damaged row: no file system has such a name, and `.` or `..` would make the
    // tree name places outside its root.
    if (name[0] == u'.' && (nameLength == 1 || (nameLength == 2 && name[1] == u'.'))) continue;
    if (std::find(name, name + nameLength, u'\0') != name + nameLength) continue;

    record.parent = stack.back().folder;
    record.folder = folder;
    record.name = name;
    // addNode keeps no more than this; the name set never sees the rest.
    record.nameLength = static_cast<uint32_t>(std::min<size_t>(nameLength, kMaxNameLength));
    if (folder) {
      record.size = record.onDisk = 0;
    } else {
      record.size = std::min(row.size, reader.sizeBudget);
      record.onDisk = std::min(row.allocated, reader.onDiskBudget);
      reader.sizeBudget -= record.size;
      reader.onDiskBudget -= record.onDisk;
    }
    record.modified = row.modified;
    record.modifiedLength = row.modifiedLength;
    record.attributes = static_cast<uint32_t>(row.attributes);
    if (folder) {
      prefix.append(name, nameLength);
      prefix.push_back(separator);
      stack.push_back({reader.nextNode, prefix.size()});
    }
    reader.nextNode++;
    return true;
  }
  return false;
}

void fillCsvNodeBatch(CsvNodeReader& reader, CsvNodeBatch& batch, size_t rows, CsvTimeReader* times) {
  // Sized once: names are at most kMaxNameLength units, so a batch closes before one
  // could overflow and the vectors never move (records point into them).
  const size_t nameRoom = rows * 32;
  if (batch.records.size() < rows) batch.records.resize(rows);
  if (batch.names.size() < nameRoom + kMaxNameLength) batch.names.resize(nameRoom + kMaxNameLength);
  size_t count = 0, units = 0;
  batch.last = false;
  while (count < rows && units < nameRoom) {
    CsvNodeRecord& record = batch.records[count];
    if (!nextCsvNode(reader, record)) {
      batch.last = true;
      break;
    }
    char16_t* name = batch.names.data() + units;
    std::copy(record.name, record.name + record.nameLength, name);
    record.name = name;
    units += record.nameLength;
    if (times) record.filetime = csvTimeOfField(*times, record.modified, record.modifiedLength);
    count++;
  }
  batch.count = count;
  batch.timesKnown = times != nullptr;
}

bool addCsvNodeBatch(Tree& tree, CsvTimeReader& times, const CsvNodeBatch& batch, ScanProgress& progress,
                     int64_t& added) {
  const CsvNodeRecord* records = batch.records.data();
  const size_t count = batch.count;
  // Every name is hinted once, in order, kNameHintDistance names before it is added
  // (the first ones of a batch late, when the batch arrives).
  const size_t distance = kNameHintDistance;
  for (size_t i = 0; i < count && i < distance; i++) prefetchName(tree, records[i].name, records[i].nameLength);
  for (size_t i = 0; i < count; i++) {
    if (i + distance < count) prefetchName(tree, records[i + distance].name, records[i + distance].nameLength);
    const CsvNodeRecord& r = records[i];
    int32_t node = addNode(tree, r.parent, r.name, r.nameLength, r.size, r.onDisk, r.folder);
    int64_t filetime = batch.timesKnown ? r.filetime : csvTimeOfField(times, r.modified, r.modifiedLength);
    setTimeAndAttributes(tree, node, filetime, r.attributes);
    progress.done.store(++added, std::memory_order_relaxed);
    if (progress.cancel.load(std::memory_order_relaxed)) return false;
  }
  return true;
}

bool importCsv(Tree& tree, const uint8_t* bytes, size_t length, ScanProgress& progress) {
  CsvHeader header;
  CsvRow row;
  if (!readCsvHeader(bytes, length, header, row)) return false;
  prepareLocalTime();

  tree.rootPath = header.rootPath;
  tree.sourceVolume = {true, header.label, header.fileSystem, header.capacity, header.freeBytes};
  int32_t root = addNode(tree, kNoNode, header.rootPath.data(), header.rootPath.size(), 0, 0, true);
  tree.rootIndex = root;
  setTimeAndAttributes(tree, root, parseCsvTime(row.modified), 0);
  progress.done.store(1, std::memory_order_relaxed);

  CsvNodeReader reader;
  startCsvNodes(reader, bytes, length, header, root);
  if (length - header.bodyOffset >= gTwoThreadBytes) {
    return importCsvOnTwoThreads(tree, reader, progress, gRowsPerBatch);
  }
  int64_t added = 1;
  CsvTimeReader times;
  CsvNodeBatch batch;
  do {
    fillCsvNodeBatch(reader, batch, kCsvRowsPerBatchOneThread);
    if (!addCsvNodeBatch(tree, times, batch, progress, added)) return false;
  } while (!batch.last);
  return true;
}

// --- File entry ------------------------------------------------------------------------------------
CsvImportResult importCsvFile(Tree& tree, std::u16string_view path, ScanProgress& progress) {
  CsvImportResult result;
  FileBytes file;
  uint32_t error = 0;
  if (!loadFileBytes(path, file, error)) {
    result.failure = {error == kFileOutOfMemory       ? ImportFailureReason::OutOfMemory
                      : error == kFileNotRegular       ? ImportFailureReason::NotRegularFile
                      : error == kFileChangedWhileRead ? ImportFailureReason::ChangedWhileRead
                      : error                          ? ImportFailureReason::System
                                                       : ImportFailureReason::NotAnExport,
                      error};
    return result;
  }
  bool ok = false;
  uint32_t exitCode = startEngineThread([&] {
    ok = importCsv(tree, file.data, file.size, progress);
    if (ok) finalizeTree(tree);
  });
  releaseFileBytes(file);
  result.ok = ok && exitCode != kExitOutOfMemory;
  if (exitCode == kExitOutOfMemory) result.failure.reason = ImportFailureReason::OutOfMemory;
  else if (!ok)
    result.failure.reason = progress.cancel.load(std::memory_order_relaxed) ? ImportFailureReason::Stopped
                                                                             : ImportFailureReason::NotAnExport;
  if (!result.ok) releaseTree(tree);
  return result;
}
