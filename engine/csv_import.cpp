// CSV import: lenient UTF-8 lines, the header, rows, year-first times, and the
// tree built from rows in export order (each row's parent is a folder row before it).
//
// Threading: importCsv runs on one engine thread and alone writes the tree;
// importCsvFile starts that thread and waits for it.
//
// Sections: lines and UTF-8 · rows · times · header · import · file entry
#include "engine/csv.h"
#include "engine/csv_system.h"
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

void decodeUtf8(const uint8_t* bytes, size_t length, std::u16string& out) {
  size_t i = 0;
  auto at = [&](size_t k) -> uint32_t { return k < length ? bytes[k] : 0; };
  while (i < length) {
    uint32_t lead = bytes[i];
    if (lead < 0x80) {
      // Runs of ASCII are the common case: copy them without the switch below.
      size_t end = i + 1;
      while (end < length && bytes[end] < 0x80) end++;
      size_t start = out.size();
      out.resize(start + (end - i));
      for (size_t k = i; k < end; k++) out[start + k - i] = bytes[k];
      i = end;
    } else if (lead >= 0xC0 && lead <= 0xDF) {
      if (i + 1 < length) {
        out.push_back(static_cast<char16_t>(((lead * 64) & 0x7FF) | (bytes[i + 1] & 0x3F)));
      } else {
        out.push_back(static_cast<char16_t>((lead & 0x1F) * 64));
      }
      i += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      uint32_t unit = (lead * 4096) & 0xFFFF;
      if (i + 1 < length) unit |= (at(i + 1) & 0x3F) * 64;
      if (i + 2 < length) unit |= at(i + 2) & 0x3F;
      out.push_back(static_cast<char16_t>(unit));
      i += 3;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
      uint32_t value = (lead & 0x07) << 18;
      if (i + 1 < length) value |= (at(i + 1) & 0x3F) << 12;
      if (i + 2 < length) value |= (at(i + 2) & 0x3F) << 6;
      if (i + 3 < length) value |= at(i + 3) & 0x3F;
      if (value < 0x10000) {
        out.push_back(static_cast<char16_t>(value));
      } else {
        out.push_back(static_cast<char16_t>(value / 1024 + 0xD7C0));
        out.push_back(static_cast<char16_t>((value & 0x3FF) | 0xDC00));
      }
      i += 4;
    } else {
      out.push_back(u'\uFFFD');
      i += 1;
    }
  }
}

// --- Rows ---------------------------------------------------------------------------------------
namespace {

// The leading decimal digits; a sign or an empty field gives 0, a value beyond
// 64 bits stops at the largest one.
int64_t fieldNumber(const uint8_t* p, size_t length) {
  uint64_t value = 0;
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  for (size_t i = 0; i < length && p[i] >= '0' && p[i] <= '9'; i++) {
    uint64_t digit = p[i] - '0';
    if (value > (kMax - digit) / 10) return static_cast<int64_t>(kMax);
    value = value * 10 + digit;
  }
  return static_cast<int64_t>(value);
}

}  // namespace

bool parseCsvRow(const uint8_t* line, size_t length, CsvRow& row) {
  if (length < 2 || line[0] != '"') return false;
  size_t close = 1;
  for (;;) {
    const void* q = std::memchr(line + close, '"', length - close);
    if (!q) return false;
    close = static_cast<size_t>(static_cast<const uint8_t*>(q) - line);
    if (close + 1 < length && line[close + 1] == '"') {
      close += 2;   // a doubled quote stays in the path text
      if (close >= length) return false;
      continue;
    }
    break;
  }
  if (close + 1 >= length) return false;
  row.path.clear();
  decodeUtf8(line + 1, close - 1, row.path);
  row.size = row.allocated = row.attributes = row.capacity = row.freeBytes = 0;
  row.modified.clear();

  int fields = 0;
  const uint8_t* end = line + length;
  const uint8_t* p = static_cast<const uint8_t*>(std::memchr(line + close + 1, ',', length - close - 1));
  while (p && fields < 8) {
    const uint8_t* start = p + 1;
    const uint8_t* next = start < end ? static_cast<const uint8_t*>(std::memchr(start, ',', end - start)) : nullptr;
    const uint8_t* stop = next ? next : end;
    size_t n = static_cast<size_t>(stop - start);
    switch (fields) {
      case 0: row.size = fieldNumber(start, n); break;
      case 1: row.allocated = fieldNumber(start, n); break;
      case 2: decodeUtf8(start, n, row.modified); break;
      case 3: row.attributes = fieldNumber(start, n); break;
      case 6: row.capacity = fieldNumber(start, n); break;
      case 7: row.freeBytes = fieldNumber(start, n); break;
      default: break;
    }
    fields++;
    p = next;
  }
  return fields > 3;
}

// --- Times --------------------------------------------------------------------------------------
int64_t parseCsvTime(std::u16string_view text) {
  uint32_t numbers[6] = {};
  int index = 0;
  bool inNumber = false;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      // Saturate: an absurd number is rejected below instead of wrapping into a valid one.
      numbers[index] = std::min<uint32_t>(numbers[index] * 10 + (c - u'0'), 100000000);
      inNumber = true;
    } else if (inNumber) {
      inNumber = false;
      if (++index == 6) break;
    }
  }
  uint32_t year = numbers[0], month = numbers[1], day = numbers[2];
  uint32_t hour = numbers[3], minute = numbers[4], second = numbers[5];
  if (year <= 1600 || year > 30827) return 0;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return 0;
  static const uint8_t kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) return 0;
  return filetimeFromLocal(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                           static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
}

// --- Header --------------------------------------------------------------------------------------
char16_t csvSeparatorFor(std::u16string_view rootPath) {
  if (!rootPath.empty() && rootPath[0] == u'/') return u'/';
  if (rootPath.find(u'\\') != std::u16string_view::npos) return u'\\';
  return kPathSeparator;
}

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
    decodeUtf8(line, n, title);
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
  if (!parseCsvRow(line, n, firstRow) || firstRow.path.empty()) return false;
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
bool importCsv(Tree& tree, const uint8_t* bytes, size_t length, ScanProgress& progress) {
  CsvHeader header;
  CsvRow row;
  if (!readCsvHeader(bytes, length, header, row)) return false;
  prepareLocalTime();

  char16_t separator = csvSeparatorFor(header.rootPath);
  tree.rootPath = header.rootPath;
  int32_t root = addNode(tree, kNoNode, header.rootPath.data(), header.rootPath.size(), 0, 0, true);
  tree.rootIndex = root;
  setTimeAndAttributes(tree, root, parseCsvTime(row.modified), 0);
  int64_t added = 1;
  progress.done.store(added, std::memory_order_relaxed);

  struct Level {
    int32_t folder;
    size_t prefixLength;
  };
  std::u16string prefix = header.rootPath;
  if (prefix.empty() || prefix.back() != separator) prefix.push_back(separator);
  std::vector<Level> stack{{root, prefix.size()}};

  // Sizes beyond what 64 bits can sum are cut, so no folder total can overflow.
  int64_t sizeBudget = std::numeric_limits<int64_t>::max();
  int64_t onDiskBudget = std::numeric_limits<int64_t>::max();

  LineReader lines{bytes, length, header.bodyOffset};
  while (!lines.atEnd()) {
    const uint8_t* line;
    size_t n;
    lines.next(line, n);
    if (!parseCsvRow(line, n, row)) continue;
    const std::u16string& path = row.path;

    // Every prefix on the stack starts the one above it, so one comparison with the
    // top tells how far to pop: to the deepest prefix the path extends.
    size_t common = 0;
    size_t limit = std::min(path.size(), prefix.size());
    while (common < limit && path[common] == prefix[common]) common++;
    while (stack.size() > 1 && !(stack.back().prefixLength <= common && path.size() > stack.back().prefixLength)) {
      stack.pop_back();
    }
    size_t prefixLength = stack.back().prefixLength;
    prefix.resize(prefixLength);
    if (!(prefixLength <= common && path.size() > prefixLength)) continue;

    std::u16string_view name(path.data() + prefixLength, path.size() - prefixLength);
    bool folder = name.back() == separator;
    if (folder) {
      name.remove_suffix(1);
    } else if (name.back() == u'.' && name.find(u'.') == name.size() - 1) {
      name.remove_suffix(1);
    }
    if (name.empty() || name.find(separator) != std::u16string_view::npos) continue;

    int32_t parent = stack.back().folder;
    int32_t node;
    if (folder) {
      node = addNode(tree, parent, name.data(), name.size(), 0, 0, true);
    } else {
      int64_t size = std::min(row.size, sizeBudget);
      int64_t onDisk = std::min(row.allocated, onDiskBudget);
      sizeBudget -= size;
      onDiskBudget -= onDisk;
      node = addNode(tree, parent, name.data(), name.size(), size, onDisk, false);
    }
    setTimeAndAttributes(tree, node, parseCsvTime(row.modified), static_cast<uint32_t>(row.attributes));
    if (folder) {
      prefix.append(name);
      prefix.push_back(separator);
      stack.push_back({node, prefix.size()});
    }
    progress.done.store(++added, std::memory_order_relaxed);
    if (progress.cancel.load(std::memory_order_relaxed)) return false;
  }
  return true;
}

// --- File entry ------------------------------------------------------------------------------------
CsvImportResult importCsvFile(Tree& tree, std::u16string_view path, ScanProgress& progress) {
  CsvImportResult result;
  CsvMappedFile file;
  uint32_t error = 0;
  if (!mapCsvFile(path, file, error)) {
    if (error) result.errorText = systemErrorText(error);
    return result;
  }
  bool ok = false;
  Thread thread = startClosureThread(kEngineThreadStackBytes, [&]() -> uint32_t {
    markWorkerThread();
    ok = importCsv(tree, file.data, file.size, progress);
    if (ok) finalizeTree(tree);
    return 0;
  });
  uint32_t exitCode = thread.handle ? joinThread(thread) : kExitOutOfMemory;
  unmapCsvFile(file);
  result.outOfMemory = exitCode == kExitOutOfMemory;
  result.ok = ok && !result.outOfMemory;
  if (!result.ok) {
    releaseTree(tree);
    initTree(tree);
  }
  return result;
}
