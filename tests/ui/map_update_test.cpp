#include "ui/map_update.h"

#include "ui/paint_rules.h"
#include "ui_fixture.h"
#include <set>

namespace {

class MapUpdate : public MapPictureTest {
 protected:
  void SetUp() override {
    MapPictureTest::SetUp();
    s.mapStale = true;
  }
  uint32_t pixelAt(int32_t x, int32_t y) const { return map.pixels[static_cast<size_t>(y) * map.width + x] & 0xFFFFFF; }
  const TreemapRect* cellOf(int32_t node) const {
    for (uint64_t i = 0; i < map.cells.rectCount; i++)
      if (map.cells.rects()[i].node == node) return &map.cells.rects()[i];
    return nullptr;
  }
};

TEST_F(MapUpdate, LaysOutRasterisesTimesAndHandsOverTheCells) {
  s.hoverCell = 3;
  uint32_t generation = s.layoutGeneration;
  ASSERT_TRUE(updateMap(map, s, {300, 170, 700, 470}, kLightColors.surface));
  EXPECT_FALSE(s.mapStale);
  EXPECT_EQ(map.width, 400);
  EXPECT_EQ(map.height, 300);
  EXPECT_EQ(map.pixels.size(), 400u * 300u);
  EXPECT_TRUE(map.pixelsNew);
  EXPECT_EQ(map.updates, 1u);
  EXPECT_EQ(s.treemap, &map.cells);
  EXPECT_EQ(s.treemapWidth, 400);
  EXPECT_EQ(s.treemapHeight, 300);
  EXPECT_EQ(s.hoverCell, -1) << "a hovered index means nothing in new cells";
  EXPECT_NE(s.layoutGeneration, generation);
  EXPECT_GE(s.performance.layoutMs, 0);
  EXPECT_GE(s.performance.renderMs, 0);
  // Every file with a size has its cell, coloured by its type.
  for (int32_t node : {sample.a, sample.b, sample.doc, sample.big}) {
    const TreemapRect* r = cellOf(node);
    ASSERT_NE(r, nullptr) << node;
    EXPECT_EQ(r->color, schemeColorOf(mapSchemeAt(s.mapScheme), sample.tree(), node));
  }
  // The pixels are the cushions: a cell's centre is its type colour, lit (never the background).
  const TreemapRect* big = cellOf(sample.big);
  uint32_t centre = pixelAt((big->x0 + big->x1) / 2, (big->y0 + big->y1) / 2);
  EXPECT_NE(centre, kLightColors.surface);
  uint32_t typeColour = big->color;
  int dominant = ((typeColour >> 16) & 255) >= ((typeColour >> 8) & 255) ? 16 : 8;
  EXPECT_GE((centre >> dominant) & 255, (centre >> (24 - dominant)) & 255) << "the type colour's strongest channel stays strongest";
}

TEST_F(MapUpdate, AnEmptyViewRootShowsOnlyTheBackground) {
  s.shown.viewRoot = sample.empty;
  ASSERT_TRUE(updateMap(map, s, {0, 0, 50, 40}, kDarkColors.surface));
  EXPECT_EQ(map.cells.rectCount, 0u);
  std::set<uint32_t> colours;
  for (uint32_t p : map.pixels) colours.insert(p);
  EXPECT_EQ(colours, (std::set<uint32_t>{0xFF000000u | kDarkColors.surface}));
  s.mapScheme = 4;   // lava brings its own background
  s.mapStale = true;
  updateMap(map, s, {0, 0, 50, 40}, kDarkColors.surface);
  EXPECT_EQ(map.pixels[0], 0xFF120A08u);
}

TEST_F(MapUpdate, BufferFollowsTheAreaAndStopsWithoutTreeOrArea) {
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  map.pixelsNew = false;
  s.mapStale = true;
  ASSERT_TRUE(updateMap(map, s, {0, 0, 200, 100}, kLightColors.surface));
  EXPECT_EQ(map.pixels.size(), 200u * 100u);
  EXPECT_EQ(s.treemapWidth, 200);
  s.mapStale = true;
  EXPECT_FALSE(updateMap(map, s, {10, 10, 10, 90}, kLightColors.surface)) << "an empty area has no pixels";
  EXPECT_FALSE(s.mapStale);
  EXPECT_TRUE(map.pixels.empty());
  s.shown.tree = nullptr;
  s.mapStale = true;
  EXPECT_FALSE(updateMap(map, s, {0, 0, 40, 40}, kLightColors.surface));
  EXPECT_EQ(map.pixels.size(), 1600u) << "the buffer is made for the area even without a tree";
  EXPECT_EQ(map.updates, 2u);
}

TEST_F(MapUpdate, WeightsInForceDecideTheCells) {
  // A filter that keeps only the .jpg files: photos and its folders above weigh their sum.
  std::vector<float> weights(static_cast<size_t>(sample.tree().nodeCount), 0.0f);
  weights[sample.a] = 4000;
  weights[sample.b] = 3000;
  weights[sample.photos] = weights[sample.me] = weights[sample.users] = weights[sample.root] = 7000;
  s.shown.weights = weights.data();
  s.shown.weightCount = weights.size();
  s.shown.weightsInUse = true;
  s.shown.filterActive = true;
  ASSERT_TRUE(updateMap(map, s, {0, 0, 300, 200}, kLightColors.surface));
  std::set<int32_t> nodes;
  for (uint64_t i = 0; i < map.cells.rectCount; i++) nodes.insert(map.cells.rects()[i].node);
  EXPECT_EQ(nodes, (std::set<int32_t>{sample.a, sample.b}));
}

TEST_F(MapUpdate, PatternsHatchATypeColourAndTheGapScalesWithTheDpi) {
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  std::vector<uint32_t> plain = map.pixels;
  s.settings.patterns = true;
  s.mapStale = true;
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  // a.jpg and doc.txt share type colour 2, which has a pattern of its own.
  const TreemapRect* a = cellOf(sample.a);
  ASSERT_EQ(patternNumberOf(mapSchemeAt(s.mapScheme), a->color), 2);
  int64_t changed = 0;
  for (int32_t y = a->y0; y < a->y1; y++)
    for (int32_t x = a->x0; x < a->x1; x++) changed += map.pixels[size_t(y) * 400 + x] != plain[size_t(y) * 400 + x];
  EXPECT_GT(changed, 0);

  s.mapScheme = 1;   // high contrast: a 2-DIP gap
  s.dpi = 144;
  s.mapStale = true;
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  EXPECT_EQ(map.cells.gap, 3) << "2 DIPs at 144 DPI";
}

TEST_F(MapUpdate, ResetLetsGoOfTheCells) {
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  s.hoverCell = 2;
  resetMap(map, s);
  EXPECT_EQ(s.treemap, nullptr);
  EXPECT_EQ(s.treemapWidth, 0);
  EXPECT_EQ(s.hoverCell, -1);
  EXPECT_TRUE(s.mapStale);
  EXPECT_TRUE(map.pixels.empty());
  EXPECT_EQ(map.cells.rectCount, 0u);
}

}  // namespace
