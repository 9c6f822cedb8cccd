// Shared pieces of the CSV tests: trees built in code, files read back, a fixed
// time zone, and a path-keyed snapshot of a tree for equality checks.
#pragma once
#include "engine/csv.h"
#include "engine/tree.h"
#include "base/utf.h"
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace csvtest {

inline std::u16string u16(const std::string& utf8) { return utf16FromUtf8(utf8); }
inline std::string u8(std::u16string_view text) { return utf8FromUtf16(text); }

// FILETIME of a UTC calendar time.
inline int64_t utcFiletime(int year, int month, int day, int hour, int minute, int second) {
  // days from civil (proleptic Gregorian)
  int y = year - (month <= 2);
  int era = (y >= 0 ? y : y - 399) / 400;
  int yoe = y - era * 400;
  int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = int64_t{era} * 146097 + doe - 719468;
  int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  return seconds * 10000000 + kUnixEpochFiletime;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool fileExists(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return in.good();
}

// Natively a zone with summer time, so conversions are visible; under Wine the
// prefix's zone cannot be changed from inside, so the tests need it to be UTC.
inline bool useFixedTimeZone() {
#if defined(_WIN32)
  // The zone counts as UTC when a winter and a summer time come back unchanged.
  for (WORD month : {WORD{1}, WORD{7}}) {
    SYSTEMTIME utc = {}, local = {};
    utc.wYear = 2024;
    utc.wMonth = month;
    utc.wDay = 15;
    utc.wHour = 12;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) || local.wHour != 12 || local.wDay != 15) return false;
  }
  return true;
#else
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  return true;
#endif
}
// A root path of this platform's kind.
inline std::u16string testRoot() {
#if defined(_WIN32)
  return u"D:\\Data";
#else
  return u"/data";
#endif
}

inline int32_t add(Tree& tree, int32_t parent, std::u16string_view name, int64_t size, int64_t onDisk, bool folder,
                   int64_t time = 0, uint32_t attributes = 0) {
  int32_t n = addNode(tree, parent, name.data(), name.size(), size, onDisk, folder);
  setTimeAndAttributes(tree, n, time, attributes);
  return n;
}

struct NodeFacts {
  bool folder = false;
  int64_t size = 0;
  int64_t onDisk = 0;
  int64_t time = 0;
  uint32_t attributes = 0;
  bool operator==(const NodeFacts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const NodeFacts& f) {
  return out << (f.folder ? "folder" : "file") << " size=" << f.size << " onDisk=" << f.onDisk
             << " time=" << f.time << " attributes=" << f.attributes;
}

// Every reachable node by its path relative to the root (root = ""), with the time
// to the second as a listing shows it: a folder's is the latest in its subtree.
// Root attributes are left out: the export writes 0 for them.
inline int64_t latestTime(const Tree& tree, int32_t node) {
  int64_t latest = modifiedTime(tree, node);
  for (int32_t c = tree.node(node).firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
    latest = std::max(latest, latestTime(tree, c));
  }
  return latest;
}

inline std::map<std::string, NodeFacts> snapshot(const Tree& tree) {
  std::map<std::string, NodeFacts> out;
  if (tree.rootIndex < 0) return out;
  struct Item { int32_t node; std::string path; };
  std::vector<Item> stack{{tree.rootIndex, ""}};
  while (!stack.empty()) {
    Item item = stack.back();
    stack.pop_back();
    const TreeNode& n = tree.node(item.node);
    NodeFacts f;
    f.folder = (n.flags & kNodeFolder) != 0;
    f.size = logicalSize(tree, item.node);
    f.onDisk = onDiskSize(tree, item.node);
    int64_t t = f.folder ? latestTime(tree, item.node) : modifiedTime(tree, item.node);
    f.time = t ? t - (t - kUnixEpochFiletime) % 10000000 : 0;
    f.attributes = item.node == tree.rootIndex ? 0 : attributes(tree, item.node);
    out[item.path] = f;
    for (int32_t c = n.firstChild; c != kNoNode; c = tree.node(c).nextSibling) {
      stack.push_back({c, item.path + "/" + u8(nodeName(tree, c))});
    }
  }
  return out;
}

struct TreeHolder {
  Tree tree;
  TreeHolder() { initTree(tree); }
  ~TreeHolder() { releaseTree(tree); }
};

}  // namespace csvtest
