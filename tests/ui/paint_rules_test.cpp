#include "ui/paint_rules.h"

#include "ui/map_update.h"
#include "ui_fixture.h"

namespace {

class PaintRules : public UiTest {
 protected:
  SampleTree sample;
  ViewState scanning(double elapsedMs) {
    ViewState s = windowState(1280, 800);
    s.drives = {driveEntry(u'C')};
    s.scan.scanning = true;
    s.scan.rootPath = u"C:\\";
    s.scan.driveIndex = 0;
    s.scan.startMs = 10000;
    s.nowMs = 10000 + elapsedMs;
    return s;
  }
};

TEST_F(PaintRules, TweenFollowsItsTargetFromWhereItWasShown) {
  Tween t;
  EXPECT_DOUBLE_EQ(tweenValue(t, 1, 0, 100, true), 1) << "the first value shows at once";
  EXPECT_FALSE(tweenRunning(t, 0, 100));
  EXPECT_DOUBLE_EQ(tweenValue(t, 0, 1000, 100, true), 1) << "a change starts from the value shown";
  EXPECT_TRUE(tweenRunning(t, 1000, 100));
  EXPECT_DOUBLE_EQ(tweenValue(t, 0, 1050, 100, true), 0.5);   // smoothstep(0.5)
  double shown = tweenValue(t, 1, 1025, 100, true);           // back before it arrived
  EXPECT_NEAR(shown, 1 - smoothstep(0.25), 1e-12);
  EXPECT_DOUBLE_EQ(tweenValue(t, 1, 1125, 100, true), 1);
  EXPECT_FALSE(tweenRunning(t, 1125, 100));
  EXPECT_DOUBLE_EQ(tweenValue(t, 0, 2000, 100, false), 0) << "without animations a change shows at once";
  EXPECT_FALSE(tweenRunning(t, 2000, 100));
}

TEST_F(PaintRules, KnobsSlideToTheNewSettingAndFollowADrag) {
  ViewState s = windowState(1280, 800);
  PaintAnimations a;
  EXPECT_DOUBLE_EQ(knobPositions(a, s).sizeMode, 1);   // on disk
  EXPECT_DOUBLE_EQ(knobPositions(a, s).units, 1);      // GiB
  s.settings.sizeMode = SizeMode::Logical;
  s.nowMs += 90;
  EXPECT_DOUBLE_EQ(knobPositions(a, s).sizeMode, 1);
  EXPECT_TRUE(paintMotion(a, s).knobsSliding);
  s.nowMs += 90;
  EXPECT_DOUBLE_EQ(knobPositions(a, s).sizeMode, 0.5);
  s.nowMs += 90;
  EXPECT_DOUBLE_EQ(knobPositions(a, s).sizeMode, 0);
  EXPECT_FALSE(paintMotion(a, s).knobsSliding);
  s.pressed = {ElementId::BinaryUnits, -1};
  s.press.knobDragged = true;
  s.press.knobPosition = 0.3;
  EXPECT_DOUBLE_EQ(knobPositions(a, s).units, 0.3);
  EXPECT_DOUBLE_EQ(knobPositions(a, s).sizeMode, 0) << "only the dragged switch follows the pointer";
}

TEST_F(PaintRules, SplitterAndPanelFade) {
  ViewState s = windowState(1280, 800);
  PaintAnimations a;
  EXPECT_DOUBLE_EQ(splitterHighlight(a, s), 0);
  s.hover = {ElementId::Splitter, -1};
  s.nowMs += 75;
  EXPECT_DOUBLE_EQ(splitterHighlight(a, s), 0);
  s.nowMs += 75;
  EXPECT_DOUBLE_EQ(splitterHighlight(a, s), 0.5);
  EXPECT_TRUE(paintMotion(a, s).splitterFading);
  s.nowMs += 75;
  EXPECT_DOUBLE_EQ(splitterHighlight(a, s), 1);

  EXPECT_EQ(panelSlideOffset(a, s, 124), 124) << "folded at first";
  s.settings.performancePanel = PerformancePanel::Open;
  EXPECT_EQ(panelSlideOffset(a, s, 124), 124);
  s.nowMs += 110;
  EXPECT_EQ(panelSlideOffset(a, s, 124), 62);
  EXPECT_TRUE(paintMotion(a, s).panelSliding);
  s.nowMs += 110;
  EXPECT_EQ(panelSlideOffset(a, s, 124), 0);
  s.panelClosing = true;   // folding: the layout keeps it open while it slides out
  EXPECT_EQ(panelSlideOffset(a, s, 124), 0);
  s.nowMs += 220;
  EXPECT_EQ(panelSlideOffset(a, s, 124), 124);
}

TEST_F(PaintRules, ProgressFillsByShareOrMovesASegment) {
  const PixelRect track{500, 400, 740, 404};   // 240 pixels
  struct Case {
    const char* what;
    int64_t done, total;
    double elapsed;
    bool animations;
    PixelRect first, second;
  } cases[] = {
      {"a quarter of a known total", 25, 100, 0, true, {500, 400, 560, 404}, {}},
      {"more than the total", 150, 100, 0, true, {500, 400, 740, 404}, {}},
      {"nothing yet", 0, 100, 0, true, {}, {}},
      {"segment at the start", 10, 0, 0, true, {500, 400, 580, 404}, {}},
      {"100 px after 400 ms", 10, 0, 400, true, {600, 400, 680, 404}, {}},
      {"wraps round", 10, 0, 800, true, {700, 400, 740, 404}, {500, 400, 540, 404}},
      {"one lap later", 10, 0, 960 + 400, true, {600, 400, 680, 404}, {}},
      {"still without animations", 10, 0, 800, false, {580, 400, 660, 404}, {}},
  };
  for (const Case& c : cases) {
    ViewState s = scanning(c.elapsed);
    s.scan.progress = {c.done, c.total, false};
    s.facts.animationsOn = c.animations;
    ProgressFill fill = progressFill(s, track);
    EXPECT_EQ(fill.first, c.first) << c.what;
    EXPECT_EQ(fill.second, c.second) << c.what;
  }
  ViewState s = scanning(0);
  s.dpi = 144;
  EXPECT_EQ(progressFill(s, {0, 0, 360, 6}).first.width(), 120) << "80 DIPs at 144 DPI";
}

TEST_F(PaintRules, TipFadesInAfterThreeSeconds) {
  struct Case {
    double elapsed;
    bool animations;
    float opacity;
    int32_t offset;
    bool running;
  } cases[] = {
      {2999, true, 0, 0, false},   // not shown yet
      {3000, true, 0, 6, true},
      {3200, true, 0.5f, 3, true},
      {3400, true, 1, 0, false},
      {9000, true, 1, 0, false},
      {3000, false, 1, 0, false},
  };
  for (const Case& c : cases) {
    ViewState s = scanning(c.elapsed);
    s.facts.animationsOn = c.animations;
    TipFade fade = fastScanTipFade(s);
    EXPECT_FLOAT_EQ(fade.opacity, c.opacity) << c.elapsed;
    EXPECT_EQ(fade.offset, c.offset) << c.elapsed;
    EXPECT_EQ(fade.running, c.running) << c.elapsed;
    EXPECT_EQ(paintMotion(PaintAnimations{}, s).tipFading, c.running) << c.elapsed;
  }
  ViewState s = scanning(3000);
  s.drives[0].fileSystem = u"FAT32";
  EXPECT_FLOAT_EQ(fastScanTipFade(s).opacity, 0) << "no tip off NTFS";
}

TEST_F(PaintRules, UsageBarRedAboveNinetyPercent) {
  const PixelRect bar{52, 52, 252, 56};   // 200 pixels
  struct Case {
    int64_t total, free;
    int32_t filled;
    uint32_t color;
  } cases[] = {
      {1000, 50, 190, kErrorRed},        // 95 % full
      {1000, 100, 180, kLightColors.accent},   // 90 % is not above 90 %
      {1000, 990, 0, kLightColors.accent},     // 2 pixels: too narrow to draw
      {1000, 980, 4, kLightColors.accent},
      {0, 0, 0, kLightColors.accent},          // no size known
  };
  for (const Case& c : cases) {
    DriveEntry d = driveEntry(u'C', u"Disk", u"NTFS", c.total, c.free);
    EXPECT_EQ(driveUsageFill(d, bar).width(), c.filled) << c.free;
    EXPECT_EQ(driveUsageColor(d, kLightColors), c.color) << c.free;
  }
}

TEST_F(PaintRules, MapUpdateDueOnlyWhenStaleOutsideAResizeInTheMapView) {
  ViewState s = windowState(1280, 800);
  struct Case {
    bool stale, resizing;
    MainView view;
    bool due;
  } cases[] = {
      {true, false, MainView::Map, true},
      {false, false, MainView::Map, false},
      {true, true, MainView::Map, false},
      {true, false, MainView::Files, false},
  };
  for (const Case& c : cases) {
    s.mapStale = c.stale;
    s.resizing = c.resizing;
    s.currentView = c.view;
    EXPECT_EQ(mapUpdateDue(s), c.due);
  }
}

TEST_F(PaintRules, ContentTakesTheMapBackgroundOnlyUnderAMap) {
  ViewState s = windowState(1280, 800);
  EXPECT_FALSE(mapFillsContent(s));
  showTree(s, sample.tree());
  EXPECT_TRUE(mapFillsContent(s));
  s.shown.viewRoot = sample.empty;
  EXPECT_FALSE(mapFillsContent(s)) << "an empty folder shows its message on the surface";
  s.shown.viewRoot = sample.root;
  s.currentView = MainView::Files;
  EXPECT_FALSE(mapFillsContent(s));
  EXPECT_EQ(mapBackground(kMapSchemes[0], kDarkColors), kDarkColors.surface);
  EXPECT_EQ(mapBackground(kMapSchemes[4], kDarkColors), 0x120A08u);
  EXPECT_EQ(mapBackground(kMapSchemes[1], kLightColors), 0x000000u);
}

class MapHover : public MapPictureTest {
 protected:
  void SetUp() override {
    MapPictureTest::SetUp();
    s.mapStale = true;
    updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);
  }
  int32_t cellOf(int32_t node) {
    for (uint64_t i = 0; i < map.cells.rectCount; i++)
      if (map.cells.rects()[i].node == node) return static_cast<int32_t>(i);
    return -1;
  }
  PixelRect rectOf(int32_t node) {
    const TreemapRect& r = map.cells.rects()[cellOf(node)];
    return {r.x0, r.y0, r.x1, r.y1};
  }
};

TEST_F(MapHover, AFileOutlinesItselfAndItsFoldersRun) {
  HoverBoxCache cache;
  s.hoverCell = cellOf(sample.a);
  HoverOutlines h = hoverOutlines(cache, s);
  EXPECT_EQ(h.cell, rectOf(sample.a));
  EXPECT_TRUE(h.cellOutline);
  // a.jpg lies in photos, whose cells are a.jpg and b.jpg (doc.txt is in me, outside it).
  PixelRect a = rectOf(sample.a), b = rectOf(sample.b);
  PixelRect both{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
  EXPECT_EQ(h.box, both);
  EXPECT_TRUE(h.innerLine);
}

TEST_F(MapHover, NoBoxForTheViewRootsOwnChildren) {
  HoverBoxCache cache;
  s.hoverCell = cellOf(sample.big);
  HoverOutlines h = hoverOutlines(cache, s);
  EXPECT_EQ(h.cell, rectOf(sample.big));
  EXPECT_TRUE(h.box.empty()) << "big.iso's folder is the view root";
  EXPECT_TRUE(h.cellOutline);
  s.hoverCell = -1;
  EXPECT_TRUE(hoverOutlines(cache, s).cell.empty());
}

TEST_F(PaintRules, AFolderTooThinToSplitIsItsOwnBox) {
  // A folder 1.8 pixels wide is one leaf, rounded to 2 pixels: hovered, it is the
  // highlighted folder itself, so only the box is drawn, without an inner line.
  TestTree t;
  int32_t root = t.root(u"C:\\");
  t.file(root, u"big.bin", 982);
  int32_t thin = t.folder(root, u"thin");
  t.file(thin, u"a.txt", 9);
  t.file(thin, u"b.txt", 9);
  finalizeTree(t.tree);
  ViewState s = windowState(1280, 800);
  showTree(s, t.tree);
  s.mapStale = true;
  MapPicture map;
  updateMap(map, s, {0, 0, 100, 100}, kLightColors.surface);
  int32_t cell = -1;
  for (uint64_t i = 0; i < map.cells.rectCount; i++)
    if (map.cells.rects()[i].node == thin) cell = static_cast<int32_t>(i);
  ASSERT_GE(cell, 0);
  s.hoverCell = cell;
  HoverBoxCache cache;
  HoverOutlines h = hoverOutlines(cache, s);
  EXPECT_EQ(h.cell, (PixelRect{98, 0, 100, 100}));
  EXPECT_EQ(h.box, h.cell);
  EXPECT_FALSE(h.cellOutline);
  EXPECT_FALSE(h.innerLine);
  releaseMapPicture(map);
}

TEST_F(MapHover, TheBoxIsKeptUntilTheCellOrTheCellsChange) {
  HoverBoxCache cache;
  s.hoverCell = cellOf(sample.a);
  PixelRect first = hoverOutlines(cache, s).box;
  cache.box = {1, 2, 3, 4};   // what the cache holds is what is drawn while it is valid
  EXPECT_EQ(hoverOutlines(cache, s).box, (PixelRect{1, 2, 3, 4}));
  s.mapStale = true;
  updateMap(map, s, {0, 0, 400, 300}, kLightColors.surface);   // new cells: the hover is gone
  s.hoverCell = cellOf(sample.a);
  EXPECT_EQ(hoverOutlines(cache, s).box, first);
}

TEST_F(PaintRules, HoverColoursOfTheGlowScheme) {
  HoverColors plain = hoverColors(false), lava = hoverColors(true);
  EXPECT_EQ(plain.cell, 0xFFFFFFu);
  EXPECT_EQ(plain.box, 0xFFFFFFu);
  EXPECT_EQ(plain.inner, 0x000000u);
  EXPECT_FLOAT_EQ(plain.cellOpacity, 0.7f);
  EXPECT_FALSE(plain.glowLine);
  EXPECT_EQ(lava.cell, 0xFFA030u);
  EXPECT_EQ(lava.box, 0xFF2A0Au);
  EXPECT_EQ(lava.inner, 0x6E1206u);
  EXPECT_TRUE(lava.glowLine);
}

}  // namespace
