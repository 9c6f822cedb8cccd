// Flow runs from hand-made gap networks whose runs can be stated, and from real
// layouts checked against a plain re-reading of the rules.
#include "treemap/lava.h"
#include "tree_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>

namespace {
GapLine vertical(int32_t x, int32_t y, int32_t length) { return {x, y, length, 1}; }
GapLine horizontal(int32_t x, int32_t y, int32_t length) { return {x, y, length, 0}; }

bool sameRun(const FlowRun& a, const FlowRun& b) {
  return a.x == b.x && a.y == b.y && a.length == b.length && a.startAge == b.startAge &&
         a.stepX == b.stepX && a.stepY == b.stepY;
}

std::string describe(const std::vector<FlowRun>& runs) {
  std::string text;
  for (const FlowRun& r : runs) {
    for (int32_t v : {r.x, r.y, r.length, r.startAge, int32_t(r.stepX), int32_t(r.stepY)})
      text.append(std::to_string(v)).append(" ");
    text.append("| ");
  }
  return text;
}

void expectRuns(const TreemapLayout& layout, const std::vector<FlowRun>& expected) {
  ASSERT_EQ(layout.flowRuns.size(), expected.size()) << describe(layout.flowRuns);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(sameRun(layout.flowRuns[i], expected[i])) << "run " << i << ": " << describe(layout.flowRuns);
}

struct NetworkCase {
  const char* name;
  std::vector<GapLine> lines;
  std::vector<FlowRun> runs;
  int32_t maxFlow;
};
}  // namespace

// Each network drawn out, with the arrival of the lava at every pixel of its
// horizontal lines written in the comment.
TEST(FlowRuns, HandMadeNetworks) {
  NetworkCase cases[] = {
      {"one vertical line", {vertical(5, 2, 10)}, {{5, 2, 10, 0, 0, 1}}, 10},
      // T: the line down column 10 ends on row 5 at age 5; left of it 15..6, right 6..15
      {"vertical line ending on a horizontal one",
       {horizontal(0, 5, 21), vertical(10, 0, 6)},
       {{10, 0, 6, 0, 0, 1}, {10, 5, 11, 5, -1, 0}, {11, 5, 10, 6, 1, 0}},
       16},
      // H between two columns, reached at both ends at age 6: 6 7 8 9 10 11 10 9 8 7 6
      {"line between two columns",
       {vertical(10, 0, 11), horizontal(0, 6, 11), vertical(0, 0, 11)},
       {{0, 0, 11, 0, 0, 1}, {10, 0, 11, 0, 0, 1}, {0, 6, 6, 6, 1, 0}, {10, 6, 5, 6, -1, 0}},
       12},
      // one end on a column: 4 5 6 7 8 9 10 11, flowing right
      {"line leaving a column", {vertical(0, 0, 11), horizontal(0, 4, 8)},
       {{0, 0, 11, 0, 0, 1}, {0, 4, 8, 4, 1, 0}}, 12},
      // two columns 1 apart, both reaching row 0 at age 0: 0 0 -> two one-pixel runs
      {"flows meeting on equal ages", {vertical(3, 0, 4), vertical(4, 0, 4), horizontal(3, 0, 2)},
       {{3, 0, 4, 0, 0, 1}, {4, 0, 4, 0, 0, 1}, {3, 0, 1, 0, 1, 0}, {4, 0, 1, 0, 1, 0}}, 4},
      // a line of one pixel on a column at row 7
      {"one-pixel line", {vertical(2, 0, 9), horizontal(2, 7, 1)},
       {{2, 0, 9, 0, 0, 1}, {2, 7, 1, 7, 1, 0}}, 9},
      // a line the lava never reaches stays dark; a vertical line above it is no help
      {"unreached line", {horizontal(0, 20, 30), vertical(40, 0, 10)}, {{40, 0, 10, 0, 0, 1}}, 10},
      // the vertical line passes through row 3 without ending there: only the line's
      // end on it counts (age 3 at x = 8, flowing left)
      {"line ending on a passing column", {vertical(8, 0, 20), horizontal(1, 3, 8)},
       {{8, 0, 20, 0, 0, 1}, {8, 3, 8, 3, -1, 0}}, 20},
      // the earliest of two arrivals wins: the line ends on column 0 (age 9) and the
      // column 6 ends on it at age 2: 8 7 6 5 4 3 2 3 4
      {"earliest arrival wins", {vertical(0, 0, 12), vertical(6, 7, 3), horizontal(0, 9, 9)},
       {{0, 0, 12, 0, 0, 1}, {6, 7, 3, 0, 0, 1}, {6, 9, 7, 2, -1, 0}, {7, 9, 2, 3, 1, 0}}, 12},
      {"nothing", {}, {}, 0},
      {"lines of no length", {vertical(1, 1, 0), horizontal(1, 1, -4)}, {}, 0},
  };
  for (const NetworkCase& c : cases) {
    SCOPED_TRACE(c.name);
    TreemapLayout layout;
    layout.gapLines = c.lines;
    buildFlowRuns(layout);
    expectRuns(layout, c.runs);
    EXPECT_EQ(layout.maxFlow, c.maxFlow);
    if (c.runs.empty()) {
      EXPECT_EQ(layout.flowRuns.capacity(), 0u) << "an empty run array is released";
    }
    // the gap lines stay as the layout made them
    ASSERT_EQ(layout.gapLines.size(), c.lines.size());
    for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(layout.gapLines[i].x, c.lines[i].x);
  }
}

// Where several horizontal lines share the bottom row of a vertical line, only the 8
// with the largest x are looked at; likewise only 8 vertical lines of a column at or
// before a line's end.
TEST(FlowRuns, JunctionSearchLooksAtEightLines) {
  for (int others = 6; others <= 9; ++others) {
    TreemapLayout layout;
    // the column at x = 100 ends on row 10, on the line from x = 90
    layout.gapLines = {vertical(100, 0, 11), horizontal(90, 10, 20)};
    for (int i = 1; i <= others; ++i) layout.gapLines.push_back(horizontal(200 * i, 10, 5));
    buildFlowRuns(layout);
    bool reached = std::any_of(layout.flowRuns.begin(), layout.flowRuns.end(),
                               [](const FlowRun& r) { return r.y == 10 && r.x >= 90 && r.x < 110; });
    EXPECT_EQ(reached, others < 8) << others << " lines further right in the row";
  }
  for (int others = 6; others <= 9; ++others) {
    TreemapLayout layout;
    // the line starts on column 0 at row 15; short lines of the same column lie between
    layout.gapLines = {vertical(0, 0, 20), horizontal(0, 15, 6)};
    for (int i = 1; i <= others; ++i) layout.gapLines.push_back(vertical(0, i, 1));
    buildFlowRuns(layout);
    bool reached = std::any_of(layout.flowRuns.begin(), layout.flowRuns.end(),
                               [](const FlowRun& r) { return r.y == 15 && r.stepY == 0; });
    EXPECT_EQ(reached, others < 8) << others << " short lines in the column";
  }
}

namespace {
// The rules read plainly, with searches over all lines instead of sorted arrays.
std::vector<FlowRun> referenceRuns(const std::vector<GapLine>& lines, int32_t& maxFlow) {
  std::vector<GapLine> v, h;
  for (const GapLine& l : lines) (l.vertical ? v : h).push_back(l);
  std::sort(v.begin(), v.end(), [](const GapLine& a, const GapLine& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  std::sort(h.begin(), h.end(), [](const GapLine& a, const GapLine& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  std::vector<FlowRun> runs;
  maxFlow = 0;
  for (const GapLine& l : v) {
    runs.push_back({l.x, l.y, l.length, 0, 0, 1});
    maxFlow = std::max(maxFlow, l.length);
  }
  const int32_t unreached = (1 << 30) - 1;
  std::vector<std::vector<int32_t>> cells;
  for (const GapLine& l : h) cells.emplace_back(size_t(l.length), unreached);
  for (const GapLine& line : v) {
    int32_t bottom = line.y + line.length - 1;
    int examined = 0;
    for (size_t i = h.size(); i-- > 0 && examined < 8;) {
      if (h[i].y > bottom) continue;
      if (h[i].y < bottom) break;
      ++examined;
      if (h[i].x <= line.x && line.x < h[i].x + h[i].length) {
        int32_t& cell = cells[i][size_t(line.x - h[i].x)];
        cell = std::min(cell, line.length - 1);
      }
    }
  }
  auto fromColumn = [&](int32_t x, int32_t y) {
    int32_t arrival = unreached;
    int examined = 0;
    for (size_t i = v.size(); i-- > 0 && examined < 8;) {
      if (v[i].x > x || (v[i].x == x && v[i].y > y)) continue;
      if (v[i].x < x) break;
      ++examined;
      if (v[i].y <= y && y < v[i].y + v[i].length) arrival = std::min(arrival, y - v[i].y);
    }
    return arrival;
  };
  for (size_t i = 0; i < h.size(); ++i) {
    std::vector<int32_t>& c = cells[i];
    int32_t n = h[i].length;
    c[0] = std::min(c[0], fromColumn(h[i].x, h[i].y));
    c[size_t(n - 1)] = std::min(c[size_t(n - 1)], fromColumn(h[i].x + n - 1, h[i].y));
    // arrival = the nearest fed cell plus the distance to it
    std::vector<int32_t> fed = c;
    for (int32_t k = 0; k < n; ++k)
      for (int32_t j = 0; j < n; ++j)
        if (fed[size_t(j)] < unreached) c[size_t(k)] = std::min(c[size_t(k)], fed[size_t(j)] + std::abs(k - j));
    for (int32_t k = 0; k < n;) {
      if (c[size_t(k)] >= unreached) { ++k; continue; }
      int32_t j = k;
      int32_t direction = k + 1 < n ? c[size_t(k + 1)] - c[size_t(k)] : 0;
      if (direction == 1 || direction == -1)
        while (j + 1 < n && c[size_t(j + 1)] - c[size_t(j)] == direction) ++j;
      FlowRun run = direction == -1 ? FlowRun{h[i].x + j, h[i].y, j - k + 1, c[size_t(j)], -1, 0}
                                    : FlowRun{h[i].x + k, h[i].y, j - k + 1, c[size_t(k)], 1, 0};
      runs.push_back(run);
      maxFlow = std::max(maxFlow, run.startAge + run.length);
      k = j + 1;
    }
  }
  return runs;
}
}  // namespace

TEST(FlowRuns, RealLayoutsMatchThePlainRules) {
  std::mt19937 random(3501);
  for (int round = 0; round < 30; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 500), 1 + int(random() % 50), 1 + int(random() % 6));
    int32_t width = 40 + int32_t(random() % 600), height = 40 + int32_t(random() % 400);
    int32_t gap = 1 + int32_t(random() % 5);
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, gap, true, kMapSchemes[0]);
    SCOPED_TRACE(testing::Message() << "round " << round << " " << width << "x" << height << " gap " << gap);
    int32_t maxFlow = 0;
    std::vector<FlowRun> expected = referenceRuns(layout.gapLines, maxFlow);
    expectRuns(layout, expected);
    EXPECT_EQ(layout.maxFlow, maxFlow);
    // the network is connected: every pixel of every horizontal line is reached, and
    // the runs of a line cover it once (collinear lines share their meeting pixel)
    int64_t linePixels = 0, runPixels = 0;
    for (const FlowRun& r : layout.flowRuns) runPixels += r.stepY == 0 ? r.length : 0;
    for (const GapLine& line : layout.gapLines) {
      if (line.vertical) continue;
      linePixels += line.length;
      for (int32_t k = 0; k < line.length; ++k) {
        bool covered = false;
        for (const FlowRun& r : layout.flowRuns) {
          if (r.stepY != 0 || r.y != line.y) continue;
          int32_t lo = r.stepX > 0 ? r.x : r.x - r.length + 1, hi = lo + r.length - 1;
          covered = covered || (line.x + k >= lo && line.x + k <= hi);
        }
        ASSERT_TRUE(covered) << "pixel " << line.x + k << "," << line.y;
      }
    }
    EXPECT_EQ(runPixels, linePixels);
    releaseTreemapLayout(layout);
  }
}

// The layout builds the runs itself when the glow is on, and only then.
TEST(FlowRuns, LayoutBuildsThemWithTheGlow) {
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, true, kMapSchemes[0]);
  ASSERT_FALSE(layout.flowRuns.empty());
  std::vector<FlowRun> built = layout.flowRuns;
  int32_t maxFlow = layout.maxFlow;
  buildFlowRuns(layout);
  expectRuns(layout, built);
  EXPECT_EQ(layout.maxFlow, maxFlow);
  // the border lines down the left and right: two runs from the top, as long as the map's inside
  EXPECT_TRUE(sameRun(layout.flowRuns[0], {1, 1, 98, 0, 0, 1})) << describe(layout.flowRuns);
  EXPECT_EQ(lavaTotal(layout), maxFlow + 240);
  for (bool glow : {false, true}) {
    int32_t width = glow ? 11 : 160;   // 11 pixels are too narrow for a gap of 3
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, 100, nullptr, 0, 3, glow, kMapSchemes[0]);
    EXPECT_TRUE(layout.flowRuns.empty());
    EXPECT_EQ(layout.maxFlow, 0);
    EXPECT_EQ(lavaTotal(layout), 0);
  }
  releaseTreemapLayout(layout);
}
