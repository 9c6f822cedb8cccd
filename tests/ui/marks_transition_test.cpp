#include "ui/marks_transition.h"

#include "ui_fixture.h"

namespace {

constexpr double kNear = 1e-9;

TEST(MarksPhase, TwoHalvesEachEased) {
  const struct {
    double elapsedMs, u, a, b;
  } cases[] = {
      {0, 0, 0, 0},
      {90, 0.5, 0.5, 0},          // a quarter in: the first half is halfway
      {180, 1, 1, 0},             // the first half done
      {270, 1.5, 1, 0.5},
      {360, 2, 1, 1},
      {1000, 2, 1, 1},            // held at the end
      {-10, 0, 0, 0},
  };
  for (const auto& c : cases) {
    MarksPhase p = marksPhase(c.elapsedMs);
    EXPECT_NEAR(p.u, c.u, kNear) << c.elapsedMs;
    EXPECT_NEAR(p.a, c.a, kNear) << c.elapsedMs;
    EXPECT_NEAR(p.b, c.b, kNear) << c.elapsedMs;
  }
  EXPECT_NEAR(marksPhase(45).a, 0.15625, kNear) << "smoothstep(0.25)";
}

TEST(MarksCellFrame, VanishingCellsShrinkThenTheMapFadesIn) {
  const PixelRect cell{100, 40, 200, 80};   // centre (150, 60)
  const struct {
    bool vanish;
    double elapsedMs;
    double mapOpacity, fill;
    MapRectF content;
    double contentOpacity;
    const char* what;
  } cases[] = {
      {true, 0, 0, 1, {100, 40, 200, 80}, 1, "vanish: whole at first"},
      {true, 90, 0, 1, {125, 50, 175, 70}, 0.5, "vanish: half the size, half seen"},
      {true, 180, 0, 1, {150, 60, 150, 60}, 0, "vanish: gone after the first half"},
      {true, 270, 0.5, 1, {150, 60, 150, 60}, 0, "vanish: the new map fades in"},
      {true, 360, 1, 1, {150, 60, 150, 60}, 0, "vanish: the new map alone"},
      {false, 0, 0, 0, {150, 60, 150, 60}, 0, "appear: the old map at first"},
      {false, 90, 0.5, 0.5, {150, 60, 150, 60}, 0, "appear: the map reflows"},
      {false, 180, 1, 1, {150, 60, 150, 60}, 0, "appear: the cells' places are empty"},
      {false, 270, 1, 1, {125, 50, 175, 70}, 0.5, "appear: the cells grow"},
      {false, 360, 1, 1, {100, 40, 200, 80}, 1, "appear: the new map exactly"},
  };
  for (const auto& c : cases) {
    MarksPhase p = marksPhase(c.elapsedMs);
    EXPECT_NEAR(marksMapOpacity(c.vanish, p), c.mapOpacity, kNear) << c.what;
    MarksCellFrame f = marksCellFrame(c.vanish, cell, p);
    EXPECT_NEAR(f.fillOpacity, c.fill, kNear) << c.what;
    EXPECT_NEAR(f.contentOpacity, c.contentOpacity, kNear) << c.what;
    EXPECT_NEAR(f.content.left, c.content.left, 1e-6) << c.what;
    EXPECT_NEAR(f.content.top, c.content.top, 1e-6) << c.what;
    EXPECT_NEAR(f.content.right, c.content.right, 1e-6) << c.what;
    EXPECT_NEAR(f.content.bottom, c.content.bottom, 1e-6) << c.what;
  }
}

// The sample from its root laid out without weights, and the weights after the photos
// folder was marked (its files weigh nothing).
class MarksCells : public WindowTest {
 protected:
  MapCells before;
  std::vector<float> weights;
  void SetUp() override {
    WindowTest::SetUp();
    showTree(s, sample.tree());
    relayout();
    before.build(s, layout);
    const Tree& tree = sample.tree();
    weights.assign(static_cast<size_t>(tree.nodeCount), 0);
    for (int32_t n = 0; n < tree.nodeCount; n++) weights[n] = static_cast<float>(logicalSize(tree, n));
    for (int32_t n : {sample.a, sample.b, sample.photos}) weights[n] = 0;
    weights[sample.me] -= 7000;
    weights[sample.users] -= 7000;
    weights[sample.root] -= 7000;
  }
  static std::vector<int32_t> nodesOf(const std::vector<MarksCell>& cells) {
    std::vector<int32_t> out;
    for (const MarksCell& c : cells) out.push_back(c.node);
    std::sort(out.begin(), out.end());
    return out;
  }
  PixelRect rectIn(const MapCells& m, int32_t node) const {
    const TreemapRect& r = m.layout.rects()[m.cellOf(node)];
    return {r.x0, r.y0, r.x1, r.y1};
  }
};

TEST_F(MarksCells, MarkedCellsOfTheOldLayoutVanish) {
  std::vector<MarksCell> cells = vanishingCells(before.layout, weights);
  std::vector<int32_t> want{sample.a, sample.b};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(nodesOf(cells), want);
  for (const MarksCell& c : cells) EXPECT_EQ(c.rect, rectIn(before, c.node)) << "the old layout's rectangle";
  EXPECT_TRUE(vanishingCells(before.layout, {}).empty()) << "without weights nothing was taken away";
}

TEST_F(MarksCells, UnmarkedCellsOfTheNewLayoutAppear) {
  const Tree& tree = sample.tree();
  // Taking back photos\ and doc.txt brings back the files inside photos\ too.
  std::vector<int32_t> given{sample.photos, sample.doc};
  std::vector<MarksCell> cells = appearingCells(before.layout, tree, given);
  std::vector<int32_t> want{sample.a, sample.b, sample.doc};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(nodesOf(cells), want);
  for (const MarksCell& c : cells) EXPECT_EQ(c.rect, rectIn(before, c.node));
  EXPECT_TRUE(appearingCells(before.layout, tree, {}).empty());
  std::vector<int32_t> bad{-3, 1 << 30};
  EXPECT_TRUE(appearingCells(before.layout, tree, bad).empty()) << "nodes outside the tree are ignored";
}

TEST(MarksClock, EndsAfter360MsAndFreesItsList) {
  MarksTransition m;
  startMarksTransition(m, true, {{{0, 0, 4, 4}, 3}, {{4, 0, 8, 4}, 5}}, 1000);
  EXPECT_TRUE(m.running);
  EXPECT_EQ(m.cells.size(), 2u);
  EXPECT_FALSE(marksTransitionDone(m, 1359));
  EXPECT_TRUE(marksTransitionDone(m, 1360));
  endMarksTransition(m);
  EXPECT_FALSE(m.running);
  EXPECT_TRUE(m.cells.empty());
  EXPECT_EQ(m.cells.capacity(), 0u);
}

}  // namespace
