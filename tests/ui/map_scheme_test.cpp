#include "ui/map_scheme.h"

#include "config/settings.h"
#include "render/theme.h"
#include "treemap/schemes.h"
#include "ui/map_update.h"
#include "ui_fixture.h"

namespace {

constexpr int32_t kStandard = 0, kContrast = 1, kLava = 4;
constexpr PixelRect kArea{300, 170, 700, 470};

class MapScheme : public MapPictureTest {
 protected:
  LavaState lava;
  uint64_t treeNumber = 1;
  // What the window does at its next paint: the map update, then the glow's clock.
  bool paintAt(double nowMs) {
    EXPECT_TRUE(s.mapStale);
    EXPECT_TRUE(updateMap(map, s, kArea, kLightColors.surface));
    return lavaAfterLayout(lava, map.cells, treeNumber, s.shown.viewRoot, true, nowMs);
  }
  // The flow of a first paint with lava, run to its end.
  void lavaAtRest() {
    s.mapScheme = kLava;
    s.mapStale = true;
    ASSERT_TRUE(paintAt(0));
    ASSERT_GT(lava.total, 0) << "the sample's lava map has flow runs";
    EXPECT_FALSE(lavaStep(lava, kLavaFlowMs + 1));
    EXPECT_EQ(lava.t, lava.total);
  }
};

TEST_F(MapScheme, BecomesCurrentIsWrittenAndRedoesTheMap) {
  struct Case { int32_t index; int32_t current; const char16_t* setting; } cases[] = {
      {kLava, kLava, u"lava"},       {kContrast, kContrast, u"contrast"}, {3, 3, u"muted"},
      {2, 2, u"colorblind"},         {kStandard, kStandard, u"standard"}, {-1, kStandard, u"standard"},
      {kMapSchemeCount, kStandard, u"standard"},
  };
  for (const Case& c : cases) {
    s.mapScheme = kContrast == c.current ? kLava : kContrast;
    s.mapStale = false;
    Outcome out = setMapScheme(s, lava, c.index);
    EXPECT_EQ(s.mapScheme, c.current) << c.index;
    EXPECT_TRUE(s.mapStale) << c.index;
    EXPECT_TRUE(out.repaint) << c.index;
    const Effect* save = out.find(EffectKind::SaveSetting);
    ASSERT_NE(save, nullptr) << c.index;
    EXPECT_EQ(save->section, kSettingsSection);
    EXPECT_EQ(save->key, kMapSchemeKey);
    EXPECT_EQ(save->text, c.setting) << c.index;
  }
}

TEST_F(MapScheme, LavaAfterAnotherSchemeReplaysTheFlow) {
  lavaAtRest();
  // A repaint that lays out again for the same tree and root keeps the rest.
  s.mapStale = true;
  EXPECT_FALSE(paintAt(5000));
  EXPECT_EQ(lava.t, lava.total);

  // A scheme without glow: no glow, no timer.
  setMapScheme(s, lava, kContrast);
  EXPECT_FALSE(paintAt(6000));
  EXPECT_EQ(lava.t, -1);
  EXPECT_EQ(lava.total, 0);

  // Back to lava: the same tree and root, yet the flow pours again from the start.
  setMapScheme(s, lava, kLava);
  EXPECT_TRUE(paintAt(7000));
  EXPECT_GT(lava.total, 0);
  EXPECT_EQ(lava.t, 0);
  EXPECT_TRUE(lavaStep(lava, 7000 + kLavaFlowMs / 2));
  EXPECT_GT(lava.t, 0);
  EXPECT_LT(lava.t, lava.total);
  EXPECT_FALSE(lavaStep(lava, 7000 + kLavaFlowMs));
  EXPECT_EQ(lava.t, lava.total);
}

TEST_F(MapScheme, LavaChosenAgainWhileItRestsReplaysToo) {
  lavaAtRest();
  setMapScheme(s, lava, kLava);
  EXPECT_TRUE(paintAt(9000));
  EXPECT_EQ(lava.t, 0);
}

TEST_F(MapScheme, WithoutForgettingTheRoundTripWouldShowTheRest) {
  // The fault the scheme change mends: the clock alone remembers the tree and root
  // through a scheme without glow.
  lavaAtRest();
  s.mapScheme = kContrast;
  s.mapStale = true;
  EXPECT_FALSE(paintAt(6000));
  s.mapScheme = kLava;
  s.mapStale = true;
  EXPECT_FALSE(paintAt(7000));
  EXPECT_EQ(lava.t, lava.total);
}

}  // namespace
