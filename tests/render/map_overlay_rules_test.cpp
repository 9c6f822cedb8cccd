#include "render/map_overlay_rules.h"
#include <gtest/gtest.h>

namespace {
MapOverlayFacts usable() {
  MapOverlayFacts f;
  f.renderStarted = f.hasDeviceContext = f.mapViewCurrent = f.treeLoaded = f.viewRootWeighted = true;
  f.mapArea = {200, 170, 1000, 700};
  f.rasterWidth = 800;
  f.rasterHeight = 530;
  return f;
}
}  // namespace

TEST(MapOverlayRules, AllowedOnlyWhenEveryConditionHolds) {
  EXPECT_TRUE(mapOverlayAllowed(usable()));
  struct Case { const char* what; void (*change)(MapOverlayFacts&); } cases[] = {
      {"start failed", [](MapOverlayFacts& f) { f.renderStarted = false; }},
      {"no device context", [](MapOverlayFacts& f) { f.hasDeviceContext = false; }},
      {"failed on this device", [](MapOverlayFacts& f) { f.failedOnThisDevice = true; }},
      {"another view", [](MapOverlayFacts& f) { f.mapViewCurrent = false; }},
      {"no tree", [](MapOverlayFacts& f) { f.treeLoaded = false; }},
      {"scanning", [](MapOverlayFacts& f) { f.scanRunning = true; }},
      {"empty view root", [](MapOverlayFacts& f) { f.viewRootWeighted = false; }},
      {"live resize", [](MapOverlayFacts& f) { f.liveResize = true; }},
      {"minimised", [](MapOverlayFacts& f) { f.minimised = true; }},
      {"stale map", [](MapOverlayFacts& f) { f.mapStale = true; }},
      {"raster of another width", [](MapOverlayFacts& f) { f.rasterWidth = 799; }},
      {"raster of another height", [](MapOverlayFacts& f) { f.rasterHeight = 531; }},
      {"empty map area", [](MapOverlayFacts& f) { f.mapArea = {10, 10, 10, 10}; f.rasterWidth = f.rasterHeight = 0; }},
  };
  for (const Case& c : cases) {
    MapOverlayFacts f = usable();
    c.change(f);
    EXPECT_FALSE(mapOverlayAllowed(f)) << c.what;
  }
}

TEST(MapOverlayRules, QuietTicksFirstRepaintThenTearDown) {
  EXPECT_EQ(overlayTimerAction(true, false), OverlayTimerAction::Nothing);
  EXPECT_EQ(overlayTimerAction(true, true), OverlayTimerAction::Nothing);
  EXPECT_EQ(overlayTimerAction(false, false), OverlayTimerAction::MarkIdleRepaint);
  EXPECT_EQ(overlayTimerAction(false, true), OverlayTimerAction::TearDown);
}
