#include "treemap/treemap.h"
#include "tree_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace {
std::vector<TreemapRect> rectsOf(const TreemapLayout& layout) {
  return {layout.rects(), layout.rects() + layout.rectCount};
}

int64_t areaOf(const TreemapRect& r) { return int64_t(r.x1 - r.x0) * (r.y1 - r.y0); }

// Every rectangle lies inside the map (minus the margin) and no pixel is covered twice.
void expectInsideWithoutOverlap(const TreemapLayout& layout, int32_t width, int32_t height,
                                int32_t margin) {
  std::vector<uint8_t> covered(size_t(width) * height);
  for (const TreemapRect& r : rectsOf(layout)) {
    ASSERT_TRUE(margin <= r.x0 && r.x0 < r.x1 && r.x1 <= width - margin) << r.x0 << ".." << r.x1;
    ASSERT_TRUE(margin <= r.y0 && r.y0 < r.y1 && r.y1 <= height - margin) << r.y0 << ".." << r.y1;
    for (int32_t y = r.y0; y < r.y1; ++y)
      for (int32_t x = r.x0; x < r.x1; ++x) {
        ASSERT_EQ(covered[size_t(y) * width + x], 0) << "overlap at " << x << "," << y;
        covered[size_t(y) * width + x] = 1;
      }
  }
}

// Without gaps the leaves under every subdivided folder fill its bounding box exactly.
void expectFoldersTiled(const Tree& tree, const TreemapLayout& layout) {
  struct Box { int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN; int64_t area = 0; };
  std::map<int32_t, Box> boxes;
  for (const TreemapRect& r : rectsOf(layout)) {
    for (int32_t n = tree.node(r.node).parent; n >= 0; n = tree.node(n).parent) {
      Box& b = boxes[n];
      b.x0 = std::min(b.x0, r.x0); b.y0 = std::min(b.y0, r.y0);
      b.x1 = std::max(b.x1, r.x1); b.y1 = std::max(b.y1, r.y1);
      b.area += areaOf(r);
    }
  }
  for (const auto& [node, b] : boxes)
    EXPECT_EQ(b.area, int64_t(b.x1 - b.x0) * (b.y1 - b.y0)) << "folder " << node << " has a hole";
}

struct GoldenRect { double quadX, quadY, linX, linY; int32_t x0, y0, x1, y1, node; };
const GoldenRect kDemoRects[] = {
    {-0.06886316666666667, -0.0735856, 4.1593599999999995, 4.1593599999999995, 0, 0, 40, 44, 6},
    {-0.07306499470899472, -0.0935548, 6.864182857142858, 4.1593599999999995, 40, 0, 75, 25, 10},
    {-0.08987230687830688, -0.1090864, 8.216594285714287, 7.314986666666667, 40, 25, 64, 44, 14},
    {-0.1402942433862434, -0.1090864, 17.007268571428575, 7.314986666666667, 64, 25, 75, 44, 18},
    {-0.05430754679410593, -0.040768000000000006, 2.976, 5.177600000000002, 0, 44, 42, 100, 5},
    {-0.061844640019557515, -0.06410707692307692, 6.354693069306931, 7.252184615384616, 42, 44, 75, 73, 9},
    {-0.08757999022124435, -0.06705240816326533, 8.49453201320132, 10.434481632653066, 42, 73, 62, 100, 13},
    {-0.12600479287694855, -0.08528541107871723, 16.034734757686305, 13.098225072886304, 62, 73, 75, 93, 17},
    {-0.12600479287694855, -0.20999915102040828, 16.034734757686305, 39.023830204081655, 62, 93, 75, 100, 21},
    {-0.046492376407244254, -0.044298491803278696, 9.99044933920705, 2.976, 75, 0, 125, 67, 4},
    {-0.05862391189427314, -0.06260824639841034, 15.783651806167404, 2.976, 125, 0, 160, 35, 8},
    {-0.08781744648872769, -0.06721066963045291, 23.102053464628153, 6.054508474576272, 125, 35, 145, 67, 12},
    {-0.11262027348017618, -0.08408622148127567, 33.06248751365638, 7.251706214689264, 145, 35, 160, 58, 16},
    {-0.11262027348017618, -0.17879595125630138, 33.06248751365638, 21.047244552058114, 145, 58, 160, 67, 20},
    {-0.035239812775330406, -0.04875167785234898, 6.916740088105728, 8.150335570469798, 75, 67, 121, 100, 7},
    {-0.07047962555066078, -0.04875167785234898, 18.633480176211453, 8.150335570469798, 121, 67, 144, 100, 11},
    {-0.09721327662160108, -0.07068993288590604, 29.508248518912342, 11.097986577181207, 144, 67, 160, 90, 15},
    {-0.09721327662160108, -0.15708873974645776, 29.508248518912342, 29.817747949291554, 144, 90, 160, 100, 19},
};
const GoldenRect kDemoGap3Rects[] = {
    {-0.07331603603603604, -0.07944469122989102, 4.599256216216217, 4.6360281473793465, 3, 3, 40, 44, 6},
    {-0.07831333333333333, -0.10437134311459167, 7.58764, 4.7855880586875506, 43, 3, 75, 25, 10},
    {-0.10050133333333333, -0.12454225220550078, 9.495808, 8.604613513233005, 43, 28, 63, 44, 14},
    {-0.17281777777777776, -0.12454225220550078, 21.763306666666665, 8.604613513233005, 66, 28, 75, 44, 18},
    {-0.057504273504273506, -0.04454127659574468, 3.321025641025641, 5.665007659574468, 3, 47, 42, 97, 5},
    {-0.0680888888888889, -0.07435460992907802, 7.237333333333334, 8.467460992907803, 45, 47, 75, 71, 9},
    {-0.10822222222222223, -0.07684736355226643, 10.849333333333334, 11.932388529139686, 45, 74, 61, 97, 13},
    {-0.14731313131313134, -0.10875460992907802, 19.120969696969702, 16.654660992907804, 64, 74, 75, 89, 17},
    {-0.14731313131313134, -0.2922212765957447, 19.120969696969702, 53.714927659574464, 64, 92, 75, 97, 21},
    {-0.0501662080352229, -0.048, 10.801928453494773, 3.2640000000000002, 78, 3, 124, 65, 4},
    {-0.0661198312236287, -0.06880645161290323, 17.785627004219414, 3.3888387096774197, 127, 3, 157, 35, 8},
    {-0.11198649789029537, -0.0767694145758662, 29.435760337552747, 7.004023894862605, 127, 38, 142, 65, 12},
    {-0.13491983122362872, -0.10225089605734768, 39.38882700421941, 8.940616487455198, 145, 38, 157, 56, 16},
    {-0.13491983122362872, -0.25513978494623657, 39.38882700421941, 30.192172043010757, 145, 59, 157, 65, 20},
    {-0.04, -0.055172413793103454, 7.84, 9.10344827586207, 78, 68, 118, 97, 7},
    {-0.08421052631578947, -0.055172413793103454, 21.978947368421053, 9.10344827586207, 121, 68, 140, 97, 11},
    {-0.1142857142857143, -0.08888888888888889, 34.28571428571429, 13.68888888888889, 143, 68, 157, 86, 15},
    {-0.1142857142857143, -0.2, 34.28571428571429, 37.2, 143, 89, 157, 97, 19},
};
const GapLine kDemoGap3Lines[] = {
    {1, 1, 158, 0},
    {1, 98, 158, 0},
    {1, 1, 98, 1},
    {158, 1, 98, 1},
    {76, 1, 98, 1},
    {1, 45, 76, 0},
    {41, 1, 45, 1},
    {41, 26, 36, 0},
    {64, 26, 20, 1},
    {43, 45, 54, 1},
    {43, 72, 34, 0},
    {62, 72, 27, 1},
    {62, 90, 15, 0},
    {76, 66, 83, 0},
    {125, 1, 66, 1},
    {125, 36, 34, 0},
    {143, 36, 31, 1},
    {143, 57, 16, 0},
    {119, 66, 33, 1},
    {141, 66, 33, 1},
    {141, 87, 18, 0},
};

void expectGolden(const TreemapLayout& layout, const GoldenRect* golden, size_t count,
                  const Tree& tree) {
  ASSERT_EQ(layout.rectCount, count);
  for (size_t i = 0; i < count; ++i) {
    const TreemapRect& r = layout.rects()[i];
    const GoldenRect& e = golden[i];
    EXPECT_EQ(r.node, e.node) << i;
    EXPECT_EQ(r.x0, e.x0) << i;
    EXPECT_EQ(r.y0, e.y0) << i;
    EXPECT_EQ(r.x1, e.x1) << i;
    EXPECT_EQ(r.y1, e.y1) << i;
    EXPECT_DOUBLE_EQ(r.quadX, e.quadX) << i;
    EXPECT_DOUBLE_EQ(r.quadY, e.quadY) << i;
    EXPECT_DOUBLE_EQ(r.linX, e.linX) << i;
    EXPECT_DOUBLE_EQ(r.linY, e.linY) << i;
    EXPECT_EQ(r.color, schemeColorOf(kMapSchemes[0], tree, r.node)) << i;
  }
}

bool sameLine(const GapLine& a, const GapLine& b) {
  return a.x == b.x && a.y == b.y && a.length == b.length && a.vertical == b.vertical;
}
}  // namespace

// The demo tree at 160 x 100, as an independent re-implementation of the rules computes
// it (and its first rows were checked by hand): any change
// to the join rule, the edge rules, the rounding or the cushion shows up here.
TEST(TreemapLayout, GoldenDemoTree) {
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 0, false, kMapSchemes[0]);
  expectGolden(layout, kDemoRects, std::size(kDemoRects), f.tree);
  EXPECT_EQ(layout.gap, 0);
  EXPECT_TRUE(layout.gapLines.empty());
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, GoldenDemoTreeWithGapsAndGapLines) {
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, true, kMapSchemes[0]);
  expectGolden(layout, kDemoGap3Rects, std::size(kDemoGap3Rects), f.tree);
  EXPECT_EQ(layout.gap, 3);
  ASSERT_EQ(layout.gapLines.size(), std::size(kDemoGap3Lines));
  for (size_t i = 0; i < layout.gapLines.size(); ++i)
    EXPECT_TRUE(sameLine(layout.gapLines[i], kDemoGap3Lines[i])) << "line " << i;
  // Without the glow the same rectangles come out and no lines are collected.
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 160, 100, nullptr, 0, 3, false, kMapSchemes[0]);
  expectGolden(layout, kDemoGap3Rects, std::size(kDemoGap3Rects), f.tree);
  EXPECT_TRUE(layout.gapLines.empty());
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, RandomTreesTileTheirAreaInProportion) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 40; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 600), 1 + int(random() % 60), 1 + int(random() % 8));
    int32_t width = 1 + int32_t(random() % 400), height = 1 + int32_t(random() % 300);
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, 0, false, kMapSchemes[0]);
    SCOPED_TRACE(testing::Message() << "round " << round << " " << width << "x" << height);
    expectInsideWithoutOverlap(layout, width, height, 0);
    expectFoldersTiled(f.tree, layout);
    int64_t total = 0;
    for (const TreemapRect& r : rectsOf(layout)) total += areaOf(r);
    int64_t rootSize = logicalSize(f.tree, f.tree.rootIndex);
    EXPECT_EQ(total, rootSize > 0 ? int64_t(width) * height : 0);
    // each leaf's exact area is its share of the map; rounding moves each edge by at most 0.5
    for (const TreemapRect& r : rectsOf(layout)) {
      double expected = double(logicalSize(f.tree, r.node)) / double(rootSize) * width * height;
      double slack = (r.x1 - r.x0) + (r.y1 - r.y0) + 2;
      EXPECT_NEAR(double(areaOf(r)), expected, slack) << "node " << r.node;
    }
    releaseTreemapLayout(layout);
  }
}

TEST(TreemapLayout, RandomTreesWithGapsStayApart) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 400), 1 + int(random() % 40), 1 + int(random() % 6));
    int32_t width = 1 + int32_t(random() % 500), height = 1 + int32_t(random() % 400);
    int32_t gap = 1 + int32_t(random() % 5);
    TreemapLayout layout;
    layoutTreemap(layout, f.tree, f.tree.rootIndex, width, height, nullptr, 0, gap, true, kMapSchemes[0]);
    SCOPED_TRACE(testing::Message() << "round " << round << " " << width << "x" << height << " gap " << gap);
    expectInsideWithoutOverlap(layout, width, height, layout.gap);
    for (const GapLine& line : layout.gapLines) EXPECT_GT(line.length, 0);
    releaseTreemapLayout(layout);
  }
}

TEST(TreemapLayout, PerNodeWeightsOrderAndScaleTheLeaves) {
  std::mt19937 random(99);
  for (int round = 0; round < 20; ++round) {
    FixtureTree f;
    buildRandomTree(f, random, 1 + int(random() % 300), 1 + int(random() % 30), 4);
    const Tree& tree = f.tree;
    // a filter-like weighting: files get a random weight or 0, folders their sum
    std::vector<float> weights(size_t(tree.nodeCount));
    for (int64_t i = tree.nodeCount - 1; i >= 0; --i) {
      const TreeNode& n = tree.node(int32_t(i));
      if (!(n.flags & kNodeFolder)) weights[i] = random() % 3 ? float(random() % 50) : 0.0f;
      if (n.parent >= 0) weights[n.parent] += weights[i];
    }
    int32_t width = 50 + int32_t(random() % 300), height = 50 + int32_t(random() % 300);
    TreemapLayout layout;
    layoutTreemap(layout, tree, tree.rootIndex, width, height, weights.data(), weights.size(), 0, false, kMapSchemes[0]);
    expectInsideWithoutOverlap(layout, width, height, 0);
    expectFoldersTiled(tree, layout);
    for (const TreemapRect& r : rectsOf(layout)) {
      EXPECT_GT(weights[r.node], 0.0f);
      double expected = weights[r.node] / weights[tree.rootIndex] * width * height;
      EXPECT_NEAR(double(areaOf(r)), expected, (r.x1 - r.x0) + (r.y1 - r.y0) + 2);
    }
    // siblings appear by weight, heaviest first, ties by node index
    for (uint64_t i = 1; i < layout.rectCount; ++i) {
      const TreemapRect& a = layout.rects()[i - 1];
      const TreemapRect& b = layout.rects()[i];
      if (tree.node(a.node).parent != tree.node(b.node).parent) continue;
      float wa = weights[a.node], wb = weights[b.node];
      EXPECT_TRUE(wa > wb || (wa == wb && a.node < b.node)) << a.node << " then " << b.node;
    }
    releaseTreemapLayout(layout);
  }
}

TEST(TreemapLayout, EqualWeightsKeepTreeOrderOrNodeOrder) {
  FixtureTree f;
  int32_t root = f.folder(-1, u"root");
  std::vector<int32_t> files;
  for (int i = 0; i < 7; ++i) files.push_back(f.file(root, u"same.bin", 1000));
  f.finish();
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, root, 300, 200, nullptr, 0, 0, false, kMapSchemes[0]);
  ASSERT_EQ(layout.rectCount, files.size());
  for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(layout.rects()[i].node, files[i]);
  // with per-node weights the order is rebuilt: weight descending, then node index
  std::vector<float> weights(size_t(f.tree.nodeCount), 5.0f);
  weights[size_t(files[4])] = 9.0f;
  weights[size_t(root)] = 5.0f * 6 + 9.0f;
  layoutTreemap(layout, f.tree, root, 300, 200, weights.data(), weights.size(), 0, false, kMapSchemes[0]);
  std::vector<int32_t> expected = {files[4], files[0], files[1], files[2], files[3], files[5], files[6]};
  ASSERT_EQ(layout.rectCount, expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(layout.rects()[i].node, expected[i]);
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, SmallAreasAndRootsDrawOneBlock) {
  FixtureTree f;
  buildDemoTree(f);
  const Tree& tree = f.tree;
  TreemapLayout layout;
  struct Case { int32_t width, height, gap; int32_t x0, y0, x1, y1; } cases[] = {
      {1, 50, 0, 0, 0, 1, 50},      // a folder 1 pixel wide: nothing below it is visited
      {80, 1, 0, 0, 0, 80, 1},
      {1, 1, 0, 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    layoutTreemap(layout, tree, tree.rootIndex, c.width, c.height, nullptr, 0, c.gap, false, kMapSchemes[0]);
    ASSERT_EQ(layout.rectCount, 1u) << c.width << "x" << c.height;
    const TreemapRect& r = layout.rects()[0];
    EXPECT_EQ(r.node, tree.rootIndex);
    EXPECT_EQ(r.color, kMapSchemes[0].folderColor);
    EXPECT_EQ(r.x0, c.x0); EXPECT_EQ(r.y0, c.y0); EXPECT_EQ(r.x1, c.x1); EXPECT_EQ(r.y1, c.y1);
  }
  // a single file fills the area less the margin, flat, in its type colour
  FixtureTree single;
  int32_t file = single.file(-1, u"movie.mp4", 12345);
  single.finish();
  for (int32_t gap : {0, 3}) {
    layoutTreemap(layout, single.tree, file, 64, 48, nullptr, 0, gap, false, kMapSchemes[0]);
    ASSERT_EQ(layout.rectCount, 1u);
    const TreemapRect& r = layout.rects()[0];
    EXPECT_EQ(r.x0, gap); EXPECT_EQ(r.y0, gap); EXPECT_EQ(r.x1, 64 - gap); EXPECT_EQ(r.y1, 48 - gap);
    EXPECT_EQ(r.quadX, 0.0); EXPECT_EQ(r.quadY, 0.0); EXPECT_EQ(r.linX, 0.0); EXPECT_EQ(r.linY, 0.0);
    EXPECT_EQ(r.color, kMapSchemes[0].typeColors[8]);
  }
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, NothingToShowGivesAnEmptyLayout) {
  FixtureTree f;
  buildDemoTree(f);
  int32_t root = f.tree.rootIndex;
  std::vector<float> zero(size_t(f.tree.nodeCount), 0.0f);
  FixtureTree empty;
  int32_t emptyRoot = empty.folder(-1, u"empty");
  empty.finish();
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, root, 100, 100, nullptr, 0, 0, false, kMapSchemes[0]);
  ASSERT_GT(layout.rectCount, 0u);
  struct Case { const Tree* tree; int32_t root, width, height; const float* weights; } cases[] = {
      {&f.tree, -1, 100, 100, nullptr},
      {&f.tree, root, 0, 100, nullptr},
      {&f.tree, root, 100, -3, nullptr},
      {&f.tree, root, 100, 100, zero.data()},      // everything filtered out
      {&empty.tree, emptyRoot, 100, 100, nullptr}, // a root of size 0
      {&f.tree, int32_t(f.tree.nodeCount), 100, 100, nullptr},
  };
  for (const Case& c : cases) {
    layoutTreemap(layout, *c.tree, c.root, c.width, c.height, c.weights, c.weights ? zero.size() : 0, 3, true, kMapSchemes[0]);
    EXPECT_EQ(layout.rectCount, 0u);
    EXPECT_TRUE(layout.gapLines.empty());
    EXPECT_EQ(layout.maxFlow, 0);
  }
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, GapNeedsFourTimesItsWidth) {
  FixtureTree f;
  buildDemoTree(f);
  TreemapLayout withGap, without;
  struct Case { int32_t width, height, gap, used; } cases[] = {
      {11, 100, 3, 0}, {100, 11, 3, 0}, {12, 12, 3, 3}, {100, 100, 0, 0}, {100, 100, -2, 0},
      {100, 100, 1, 1}, {7, 100, 2, 0}, {8, 100, 2, 2},
  };
  for (const Case& c : cases) {
    layoutTreemap(withGap, f.tree, f.tree.rootIndex, c.width, c.height, nullptr, 0, c.gap, true, kMapSchemes[0]);
    EXPECT_EQ(withGap.gap, c.used) << c.width << "x" << c.height << " gap " << c.gap;
    if (c.used) continue;
    EXPECT_TRUE(withGap.gapLines.empty());
    layoutTreemap(without, f.tree, f.tree.rootIndex, c.width, c.height, nullptr, 0, 0, false, kMapSchemes[0]);
    ASSERT_EQ(withGap.rectCount, without.rectCount);
    for (uint64_t i = 0; i < withGap.rectCount; ++i) {
      EXPECT_EQ(withGap.rects()[i].x0, without.rects()[i].x0);
      EXPECT_EQ(withGap.rects()[i].x1, without.rects()[i].x1);
    }
  }
  releaseTreemapLayout(withGap);
  releaseTreemapLayout(without);
}

// Two equal siblings side by side split at column 50: a gap of 3 leaves columns 49, 50
// and 51 empty (one before the split, two after), a gap of 2 columns 49 and 50.
TEST(TreemapLayout, GapColumnsAroundTheSplit) {
  FixtureTree f;
  int32_t root = f.folder(-1, u"root");
  int32_t a = f.file(root, u"a.txt", 500);
  int32_t b = f.file(root, u"b.txt", 500);
  f.finish();
  struct Case { int32_t gap, firstEnd, secondStart; } cases[] = {{3, 49, 52}, {2, 49, 51}, {1, 50, 51}, {4, 48, 52}};
  TreemapLayout layout;
  for (const Case& c : cases) {
    layoutTreemap(layout, f.tree, root, 100, 40, nullptr, 0, c.gap, false, kMapSchemes[0]);
    ASSERT_EQ(layout.rectCount, 2u) << c.gap;
    const TreemapRect& first = layout.rects()[0];
    const TreemapRect& second = layout.rects()[1];
    EXPECT_EQ(first.node, a);
    EXPECT_EQ(second.node, b);
    EXPECT_EQ(first.x0, c.gap);
    EXPECT_EQ(first.x1, c.firstEnd) << c.gap;
    EXPECT_EQ(second.x0, c.secondStart) << c.gap;
    EXPECT_EQ(second.x1, 100 - c.gap);
    EXPECT_EQ(second.x0 - first.x1, c.gap);
    EXPECT_EQ(first.y0, c.gap); EXPECT_EQ(first.y1, 40 - c.gap);
  }
  // the glow's centre lines: the four borders and one line down the middle gap
  layoutTreemap(layout, f.tree, root, 100, 40, nullptr, 0, 3, true, kMapSchemes[0]);
  GapLine expected[] = {{1, 1, 98, 0}, {1, 38, 98, 0}, {1, 1, 38, 1}, {98, 1, 38, 1}, {50, 1, 38, 1}};
  ASSERT_EQ(layout.gapLines.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i)
    EXPECT_TRUE(sameLine(layout.gapLines[i], expected[i])) << i;
  releaseTreemapLayout(layout);
}

TEST(TreemapLayout, RectangleMemoryShrinksAfterASmallerLayout) {
  FixtureTree big;
  int32_t root = big.folder(-1, u"root");
  for (int i = 0; i < 60000; ++i) big.file(root, u"f.dat", 1000);
  big.finish();
  FixtureTree small;
  buildDemoTree(small);
  TreemapLayout layout;
  layoutTreemap(layout, big.tree, root, 2000, 2000, nullptr, 0, 0, false, kMapSchemes[0]);
  EXPECT_EQ(layout.rectCount, 60000u);
  uint64_t used = roundUpToPage(layout.rectCount * sizeof(TreemapRect));
  EXPECT_EQ(layout.committedBytes(), used);
  const TreemapRect* base = layout.rects();
  layoutTreemap(layout, small.tree, small.tree.rootIndex, 160, 100, nullptr, 0, 0, false, kMapSchemes[0]);
  EXPECT_EQ(layout.rectCount, std::size(kDemoRects));
  EXPECT_EQ(layout.committedBytes(), kPageBytes);
  EXPECT_EQ(layout.rects(), base);   // the reservation stays where it is
  layoutTreemap(layout, big.tree, root, 2000, 2000, nullptr, 0, 0, false, kMapSchemes[0]);
  EXPECT_EQ(layout.committedBytes(), used);
  releaseTreemapLayout(layout);
}

// A chain of nested folders far deeper than any thread stack could recurse.
TEST(TreemapLayout, VeryDeepChainsDoNotRecurse) {
  FixtureTree f;
  int32_t parent = f.folder(-1, u"root");
  for (int depth = 0; depth < 200000; ++depth) parent = f.folder(parent, u"d");
  int32_t leaf = f.file(parent, u"bottom.txt", 77);
  f.finish();
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, f.tree.rootIndex, 64, 64, nullptr, 0, 0, false, kMapSchemes[0]);
  ASSERT_EQ(layout.rectCount, 1u);
  EXPECT_EQ(layout.rects()[0].node, leaf);
  EXPECT_EQ(layout.rects()[0].x1, 64);
  EXPECT_LT(layout.rects()[0].quadX, 0.0);   // ridges of every level add up
  releaseTreemapLayout(layout);
}

// Sizes beyond 47 bits live in the tree's large-size table and still weigh in full.
TEST(TreemapLayout, LargeSizesWeighInFull) {
  FixtureTree f;
  int32_t root = f.folder(-1, u"root");
  int32_t huge = f.file(root, u"huge.vhdx", int64_t(1) << 49);
  int32_t big = f.file(root, u"big.vhdx", int64_t(1) << 47);
  f.finish();
  ASSERT_TRUE(f.tree.node(huge).flags & kNodeLargeSize);
  TreemapLayout layout;
  layoutTreemap(layout, f.tree, root, 500, 100, nullptr, 0, 0, false, kMapSchemes[0]);
  ASSERT_EQ(layout.rectCount, 2u);
  EXPECT_EQ(layout.rects()[0].node, huge);
  EXPECT_EQ(layout.rects()[0].x1, 400);   // four fifths of the width
  EXPECT_EQ(layout.rects()[1].node, big);
  releaseTreemapLayout(layout);
}
