#include "ui/zoom_transition.h"

#include "ui/tooltip_text.h"
#include "ui_fixture.h"
#include <cmath>

namespace {

constexpr double kNear = 1e-9;

void expectRect(const MapRectF& got, const MapRectF& want, const char* what) {
  EXPECT_NEAR(got.left, want.left, 1e-6) << what;
  EXPECT_NEAR(got.top, want.top, 1e-6) << what;
  EXPECT_NEAR(got.right, want.right, 1e-6) << what;
  EXPECT_NEAR(got.bottom, want.bottom, 1e-6) << what;
}

// A 400 × 300 map with the folder at (100, 60)–(300, 210).
const PixelRect kFolder{100, 60, 300, 210};

TEST(ZoomFrame, BothEndsShowTheOldAndTheNewPicture) {
  const MapRectF whole{0, 0, 400, 300}, folder{100, 60, 300, 210};
  const struct {
    bool zoomIn;
    double elapsedMs;
    MapRectF source;
    bool drawOther;
    MapRectF other;
    double opacity;
    const char* what;
  } cases[] = {
      // Zooming in starts on the snapshot as it was and the new map, invisible, in the folder's place.
      {true, 0, whole, true, folder, 0, "in, first frame: the snapshot whole"},
      // It ends with the folder's part of the snapshot over everything and the new map on top, opaque.
      {true, 280, folder, true, whole, 1, "in, last frame: the new map fills the map"},
      {true, 1000, folder, true, whole, 1, "in, late: held at the end"},
      // Zooming out starts on the folder of the new map blown up with the snapshot opaque over it.
      {false, 0, folder, true, whole, 1, "out, first frame: the snapshot fills the map"},
      {false, 280, whole, true, folder, 0, "out, last frame: the new map whole"},
      {false, -5, folder, true, whole, 1, "a clock behind the start counts as the start"},
  };
  for (const auto& c : cases) {
    ZoomFrame f = zoomFrame(c.zoomIn, kFolder, 400, 300, c.elapsedMs);
    EXPECT_EQ(f.sourceIsSnapshot, c.zoomIn) << c.what;
    expectRect(f.source, c.source, c.what);
    EXPECT_EQ(f.drawOther, c.drawOther) << c.what;
    expectRect(f.other, c.other, c.what);
    EXPECT_NEAR(f.otherOpacity, c.opacity, kNear) << c.what;
  }
}

TEST(ZoomFrame, HalfwayFollowsTheEasedWindow) {
  // At 140 ms smoothstep(0.5) = 0.5: the window is halfway between the map and the folder.
  ZoomFrame in = zoomFrame(true, kFolder, 400, 300, 140);
  expectRect(in.source, {50, 30, 50 + 300, 30 + 225}, "in");
  // The folder's place in that window, scaled to the map: (100 − 50)·400/300 …
  expectRect(in.other, {50 * 400.0 / 300, 30 * 300.0 / 225, 50 * 400.0 / 300 + 200 * 400.0 / 300,
                        30 * 300.0 / 225 + 150 * 300.0 / 225},
             "in, the new map");
  EXPECT_NEAR(in.otherOpacity, 0.5, kNear);
  // At 70 ms e = smoothstep(0.25) = 0.15625; zooming out j = 1 − e.
  ZoomFrame out = zoomFrame(false, kFolder, 400, 300, 70);
  const double e = 0.15625, j = 1 - e;
  EXPECT_FALSE(out.sourceIsSnapshot);
  expectRect(out.source, {j * 100, j * 60, j * 100 + 400 + j * (200 - 400), j * 60 + 300 + j * (150 - 300)}, "out");
  EXPECT_NEAR(out.otherOpacity, 1 - e, kNear);
}

TEST(ZoomFrame, TheWindowShrinksSteadily) {
  double lastWidth = 401;
  for (double t = 0; t <= 280; t += 15) {
    ZoomFrame f = zoomFrame(true, kFolder, 400, 300, t);
    EXPECT_LT(f.source.width(), lastWidth) << t;
    EXPECT_GE(f.source.left, 0);
    EXPECT_LE(f.source.right, 400);
    lastWidth = f.source.width();
  }
}

TEST(ZoomFrame, AFolderAsLargeAsTheMapNeverDividesByNothing) {
  ZoomFrame f = zoomFrame(true, {0, 0, 400, 300}, 400, 300, 100);
  expectRect(f.source, {0, 0, 400, 300}, "whole");
  EXPECT_TRUE(f.drawOther);
  ZoomFrame none = zoomFrame(true, kFolder, 0, 0, 100);
  EXPECT_FALSE(none.drawOther) << "an empty map draws no second picture";
}

class ZoomFolderRect : public RootCellsTest {
 protected:
  PixelRect cellRect(int32_t node) const {
    const TreemapRect& r = cells.layout.rects()[cells.cellOf(node)];
    return {r.x0, r.y0, r.x1, r.y1};
  }
};

TEST_F(ZoomFolderRect, BoundingBoxOfTheFolderCells) {
  const Tree& tree = sample.tree();
  const PixelRect a = cellRect(sample.a), b = cellRect(sample.b), doc = cellRect(sample.doc);
  auto box = [](std::initializer_list<PixelRect> rs) {
    PixelRect out = *rs.begin();
    for (const PixelRect& r : rs)
      out = {std::min(out.left, r.left), std::min(out.top, r.top), std::max(out.right, r.right),
             std::max(out.bottom, r.bottom)};
    return out;
  };
  const struct {
    int32_t folder, viewRoot;
    bool found;
    PixelRect rect;
    const char* what;
  } cases[] = {
      {sample.photos, sample.root, true, box({a, b}), "two files"},
      {sample.me, sample.root, true, box({a, b, doc}), "files two levels down"},
      {sample.users, sample.root, true, box({a, b, doc}), "the same cells from higher up"},
      {sample.big, sample.root, true, cellRect(sample.big), "a file is its own cell"},
      {sample.empty, sample.root, false, {}, "a folder without cells"},
      {sample.users, sample.me, false, {}, "a walk stops at the view root: the folder lies above it"},
      {-1, sample.root, false, {}, "no node"},
  };
  for (const auto& c : cases) {
    PixelRect r{-7, -7, -7, -7};
    EXPECT_EQ(folderRectInLayout(cells.layout, tree, c.folder, c.viewRoot, r), c.found) << c.what;
    if (c.found) EXPECT_EQ(r, c.rect) << c.what;
    else EXPECT_EQ(r, (PixelRect{-7, -7, -7, -7})) << c.what << ": left as it was";
  }
}

TEST(ZoomFolderRectTiny, UnderTwoPixelsEitherWayIsNotFound) {
  SampleTree sample;
  for (int32_t size : {1, 2}) {
    TreemapLayout layout;
    // A 1-pixel-high map: every cell is too flat to zoom from.
    layoutTreemap(layout, sample.tree(), sample.tree().rootIndex, 400, size, nullptr, 0, 0, false, mapSchemeAt(0));
    PixelRect r;
    EXPECT_EQ(folderRectInLayout(layout, sample.tree(), sample.big, sample.root, r), size >= 2) << size;
    releaseTreemapLayout(layout);
  }
}

TEST(ZoomClock, EndsAfter280MsAndMeasuresItsFrames) {
  ZoomTransition z;
  double fps = -1;
  EXPECT_FALSE(endZoomTransition(z, 1000, 0, true, fps)) << "nothing runs";
  startZoomTransition(z, true, kFolder, 1000, 50);
  EXPECT_TRUE(z.running);
  EXPECT_FALSE(zoomTransitionDone(z, 1279));
  EXPECT_TRUE(zoomTransitionDone(z, 1280));
  EXPECT_TRUE(endZoomTransition(z, 1280, 50 + 14, true, fps));
  EXPECT_FALSE(z.running);
  EXPECT_NEAR(fps, 14 * 1000.0 / 280, kNear);
}

TEST(ZoomClock, ANewZoomEndsTheRunningOneAndReportsItsRate) {
  ZoomTransition z;
  double fps = 33;
  startZoomTransition(z, true, kFolder, 0, 0);
  // The second zoom comes 100 ms in, after 5 frames: the first one's rate stands.
  EXPECT_TRUE(endZoomTransition(z, 100, 5, true, fps));
  startZoomTransition(z, false, kFolder, 100, 5);
  EXPECT_NEAR(fps, 50, kNear);
  // It ends without frames (nothing was painted): the last rate stays.
  EXPECT_TRUE(endZoomTransition(z, 400, 5, true, fps));
  EXPECT_NEAR(fps, 50, kNear);
  // A size change ends one without measuring.
  startZoomTransition(z, true, kFolder, 400, 5);
  EXPECT_TRUE(endZoomTransition(z, 500, 20, false, fps));
  EXPECT_NEAR(fps, 50, kNear);
}

TEST(ZoomClock, FrameRateOfNoTimeOrNoFramesIsNone) {
  EXPECT_EQ(zoomFrameRate(0, 0, 280), -1);
  EXPECT_EQ(zoomFrameRate(10, 280, 280), -1);
  EXPECT_NEAR(zoomFrameRate(19, 0, 285), 19 * 1000.0 / 285, kNear);
}

TEST_F(ZoomFolderRect, TheMeasuredRateShowsInThePerformanceTooltip) {
  auto noError = [](uint32_t) { return std::u16string(); };
  EXPECT_EQ(narrow(tooltipText(s, 2, noError)).find("Last zoom"), std::string::npos) << "before any zoom";
  ZoomTransition z;
  startZoomTransition(z, true, kFolder, 0, 0);
  endZoomTransition(z, 280, 17, true, s.performance.lastZoomFps);
  std::string tip = narrow(tooltipText(s, 2, noError));
  EXPECT_NE(tip.find("\nLast zoom: 61 fps"), std::string::npos) << tip;
}

}  // namespace
