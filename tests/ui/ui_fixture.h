// Shared pieces of the window model's tests: a deterministic text measurer, window
// states of a given size, drives, a small scanned tree shown in the window, and its
// treemap laid out for the map area.
#pragma once
#include "config/language.h"
#include "engine/format.h"
#include "base/utf.h"
#include "tests/engine/test_tree.h"
#include "treemap/treemap.h"
#include "ui/layout.h"
#include "ui/map_update.h"
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failures for the model's small records.
inline void PrintTo(const PixelRect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const ElementRef& e, std::ostream* os) {
  *os << "element " << static_cast<int32_t>(e.id) << "/" << e.sub;
}

// Every code unit of a style has one width, so expected layouts can be worked out by hand.
class FakeMeasurer : public TextMeasurer {
 public:
  double textWidth(TextStyle style, std::u16string_view text) const override {
    calls++;
    return unitWidth(style) * static_cast<double>(text.size());
  }
  static double unitWidth(TextStyle style) {
    constexpr double widths[kTextStyleCount] = {10, 14, 7, 8, 6, 20, 16, 48};
    return widths[static_cast<int>(style)];
  }
  mutable int64_t calls = 0;
};

// English texts and decimal sizes before and after every test.
class UiTest : public ::testing::Test {
 protected:
  void SetUp() override { english(); }
  void TearDown() override { english(); }
  static void english() {
    loadLanguage(u"en");
    setDecimalSizes(true);
  }
  FakeMeasurer measure;
};

// A window of `width` × `height` DIPs at `dpi`, nothing chosen yet.
inline ViewState windowState(int32_t width, int32_t height, int32_t dpi = 96) {
  ViewState s;
  s.dpi = dpi;
  s.clientWidth = scaleDip(width, dpi);
  s.clientHeight = scaleDip(height, dpi);
  s.outerWidth = s.clientWidth;
  s.facts.version = u"1.0";
  s.nowMs = 100000;
  s.performance.startupMs = 120;
  return s;
}

inline DriveEntry driveEntry(char16_t letter, std::u16string label = u"Local Disk", std::u16string fileSystem = u"NTFS",
                             int64_t total = 500000000000, int64_t free = 100000000000) {
  DriveEntry d;
  d.letter = letter;
  d.label = std::move(label);
  d.fileSystem = std::move(fileSystem);
  d.totalBytes = total;
  d.freeBytes = free;
  return d;
}

// C:\ (4 folders below the root, 5 files) with
//   Users\me\photos\a.jpg (4000), b.jpg (3000); Users\me\doc.txt (1000)
//   big.iso (10000), tiny.txt (10), empty\ (no children)
struct SampleTree {
  TestTree t;
  int32_t root, users, me, photos, a, b, doc, big, tiny, empty;
  SampleTree() {
    root = t.root(u"C:\\");
    users = t.folder(root, u"Users");
    me = t.folder(users, u"me");
    photos = t.folder(me, u"photos");
    a = t.file(photos, u"a.jpg", 4000);
    b = t.file(photos, u"b.jpg", 3000);
    doc = t.file(me, u"doc.txt", 1000);
    big = t.file(root, u"big.iso", 10000);
    tiny = t.file(root, u"tiny.txt", 10);
    empty = t.folder(root, u"empty");
    finalizeTree(t.tree);
  }
  Tree& tree() { return t.tree; }
};

// Shows `tree` in the window as a finished directory walk of C:\ from drive 0.
inline void showTree(ViewState& s, Tree& tree, int32_t viewRoot = -1) {
  s.shown.tree = &tree;
  s.shown.path = tree.rootPath;
  s.shown.viewRoot = viewRoot >= 0 ? viewRoot : tree.rootIndex;
  s.shown.source = TreeSource::Walk;
  s.shown.scanMs = 1234;
  s.shown.aggregateMs = 16;
  s.shown.matchingCount = tree.fileCount;
  s.settings.sizeMode = SizeMode::Logical;
  s.scan.rootPath = tree.rootPath;
  s.scan.driveIndex = 0;
  s.mapStale = false;
}

// The map's cells for the current layout's map area, attached to the state.
struct MapCells {
  TreemapLayout layout;
  ~MapCells() { releaseTreemapLayout(layout); }
  void build(ViewState& s, const WindowLayout& window, int32_t gap = 0) {
    const PixelRect& map = window.content.map;
    layoutTreemap(layout, *s.shown.tree, s.shown.viewRoot, map.width(), map.height(), nullptr, 0, gap, false, mapSchemeAt(s.mapScheme));
    s.treemap = &layout;
    s.treemapWidth = map.width();
    s.treemapHeight = map.height();
  }
  int32_t cellOf(int32_t node) const {
    for (uint64_t i = 0; i < layout.rectCount; i++)
      if (layout.rects()[i].node == node) return static_cast<int32_t>(i);
    return -1;
  }
  // The centre of a node's cell in client pixels.
  void centreOf(const WindowLayout& window, int32_t node, int32_t& x, int32_t& y) const {
    const TreemapRect& r = layout.rects()[cellOf(node)];
    x = window.content.map.left + (r.x0 + r.x1) / 2;
    y = window.content.map.top + (r.y0 + r.y1) / 2;
  }
};

// A window of 1280 × 800 DIPs with drives C and D showing the sample tree at
// C:\Users\me\photos, and its layout.
class WindowTest : public UiTest {
 protected:
  SampleTree sample;
  ViewState s;
  WindowLayout layout;
  void SetUp() override {
    UiTest::SetUp();
    s = windowState(1280, 800);
    s.drives = {driveEntry(u'C'), driveEntry(u'D')};
    showTree(s, sample.tree(), sample.photos);
    relayout();
  }
  void relayout() { layout = layoutWindow(s, measure); }
};

// The sample tree shown from its root, laid out, with its cells.
class RootCellsTest : public WindowTest {
 protected:
  MapCells cells;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, sample.tree());
    relayout();
    cells.build(s, layout);
  }
};

// The sample tree shown from its root in a 1280 × 800 window, and the picture the
// map update makes of it.
class MapPictureTest : public UiTest {
 protected:
  SampleTree sample;
  ViewState s;
  MapPicture map;
  void SetUp() override {
    UiTest::SetUp();
    s = windowState(1280, 800);
    showTree(s, sample.tree());
  }
  void TearDown() override {
    releaseMapPicture(map);
    UiTest::TearDown();
  }
};

// The sample tree shown from its root, for the texts; `weights` backs a filter.
class TreeTextTest : public UiTest {
 protected:
  SampleTree sample;
  std::vector<float> weights;
  ViewState withTree() {
    ViewState s = windowState(1280, 800);
    showTree(s, sample.tree());
    return s;
  }
};

inline std::string narrow(std::u16string_view s) { return utf8FromUtf16(s); }

// Marks `nodes` as they stand after a filter application with the given totals,
// without asking whether they could be marked.
inline void setMarks(ViewState& s, const std::vector<int32_t>& nodes, int64_t items, int64_t bytes) {
  s.marks.set = {};
  for (int32_t n : nodes) {
    if (s.marks.set.flags.size() <= static_cast<size_t>(n)) s.marks.set.flags.resize(static_cast<size_t>(n) + 1, 0);
    s.marks.set.flags[n] = 1;
    s.marks.set.nodes.push_back(n);
  }
  s.marks.itemCount = items;
  s.marks.bytes = bytes;
}
