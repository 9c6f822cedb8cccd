#include "ui/map_overlay_facts.h"

#include "render/theme.h"
#include "ui/map_update.h"
#include "ui_fixture.h"

namespace {

constexpr PixelRect kArea{300, 170, 700, 470};

class MapOverlayFactsOf : public MapPictureTest {
 protected:
  void SetUp() override {
    MapPictureTest::SetUp();
    ASSERT_TRUE(updateMap(map, s, kArea, kLightColors.surface));
  }
  // The window's own facts, all in favour.
  static MapOverlayFacts withWindow(MapOverlayFacts f) {
    f.renderStarted = f.hasDeviceContext = true;
    return f;
  }
};

TEST_F(MapOverlayFactsOf, AShownMapUpToDateAllowsTheOverlay) {
  MapOverlayFacts f = mapOverlayFactsOf(s, kArea);
  EXPECT_TRUE(f.mapViewCurrent && f.treeLoaded && f.viewRootWeighted);
  EXPECT_FALSE(f.scanRunning || f.liveResize || f.mapStale || f.minimised || f.failedOnThisDevice);
  EXPECT_EQ(f.rasterWidth, 400);
  EXPECT_EQ(f.rasterHeight, 300);
  EXPECT_TRUE(mapOverlayAllowed(withWindow(f)));
  EXPECT_FALSE(mapOverlayAllowed(f)) << "the window's facts still count";
}

TEST_F(MapOverlayFactsOf, EachViewConditionRefusesIt) {
  struct Case { const char* what; void (*change)(ViewState&, PixelRect&, const SampleTree&); } cases[] = {
      {"files view", [](ViewState& v, PixelRect&, const SampleTree&) { v.currentView = MainView::Files; }},
      {"scanning", [](ViewState& v, PixelRect&, const SampleTree&) { v.scan.scanning = true; }},
      {"live resize", [](ViewState& v, PixelRect&, const SampleTree&) { v.resizing = true; }},
      {"stale map", [](ViewState& v, PixelRect&, const SampleTree&) { v.mapStale = true; }},
      {"empty view root", [](ViewState& v, PixelRect&, const SampleTree& t) { v.shown.viewRoot = t.empty; }},
      {"no tree", [](ViewState& v, PixelRect&, const SampleTree&) { v.shown.tree = nullptr; }},
      {"no cells", [](ViewState& v, PixelRect&, const SampleTree&) { v.treemap = nullptr; }},
      {"area of another size", [](ViewState&, PixelRect& a, const SampleTree&) { a.right += 1; }},
      {"area moved, same size", nullptr},
  };
  for (const Case& c : cases) {
    ViewState v = s;
    PixelRect area = kArea;
    if (!c.change) {
      area = {0, 0, kArea.width(), kArea.height()};
      EXPECT_TRUE(mapOverlayAllowed(withWindow(mapOverlayFactsOf(v, area)))) << c.what;
      continue;
    }
    c.change(v, area, sample);
    EXPECT_FALSE(mapOverlayAllowed(withWindow(mapOverlayFactsOf(v, area)))) << c.what;
  }
}

}  // namespace
