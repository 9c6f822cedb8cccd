#include "ui/navigation.h"

#include "ui_fixture.h"

namespace {

class Navigation : public RootCellsTest {
 protected:
};

TEST_F(Navigation, ZoomTargetsOfCells) {
  EXPECT_EQ(zoomTarget(s, cells.cellOf(sample.a)), sample.photos) << "a file deeper down opens its folder";
  EXPECT_EQ(zoomTarget(s, cells.cellOf(sample.big)), -1) << "a file in the view root opens nothing";
  EXPECT_EQ(wheelZoomTarget(s, cells.cellOf(sample.a)), sample.users) << "the wheel goes one level";
  EXPECT_EQ(wheelZoomTarget(s, cells.cellOf(sample.big)), -1);
  EXPECT_EQ(zoomTarget(s, -1), -1);
  EXPECT_EQ(zoomTarget(s, 100000), -1);
  s.scan.scanning = true;
  EXPECT_EQ(zoomTarget(s, cells.cellOf(sample.a)), -1) << "no cells while scanning";
}

TEST_F(Navigation, ZoomIsAnimatedOnlyWhenItCanBe) {
  Outcome out;
  zoomTo(s, sample.photos, true, out);
  const Effect* zoom = out.find(EffectKind::ZoomMap);
  ASSERT_NE(zoom, nullptr);
  EXPECT_TRUE(zoom->animate);
  EXPECT_EQ(zoom->number, sample.root) << "the old view root, for the transition";
  EXPECT_EQ(zoom->node, sample.photos);
  EXPECT_TRUE(s.mapStale);
  EXPECT_EQ(s.hoverCell, -1);
  const struct {
    void (*spoil)(ViewState&);
  } spoilers[] = {
      {[](ViewState& v) { v.facts.animationsOn = false; }},
      {[](ViewState& v) { v.resizing = true; }},
      {[](ViewState& v) { v.relayoutPending = true; }},
      {[](ViewState& v) { v.mapStale = true; }},
      {[](ViewState& v) { v.treemap = nullptr; }},
  };
  for (const auto& spoiler : spoilers) {
    SetUp();
    spoiler.spoil(s);
    Outcome plain;
    zoomTo(s, sample.photos, true, plain);
    EXPECT_FALSE(plain.find(EffectKind::ZoomMap)->animate);
    EXPECT_EQ(s.shown.viewRoot, sample.photos);
  }
  // A view root that weighs nothing cannot be animated from.
  SetUp();
  s.shown.viewRoot = sample.empty;
  Outcome fromEmpty;
  zoomTo(s, sample.root, false, fromEmpty);
  EXPECT_FALSE(fromEmpty.find(EffectKind::ZoomMap)->animate);
}

TEST_F(Navigation, GoingUp) {
  Outcome out;
  goUp(s, true, out);
  EXPECT_TRUE(out.effects.empty()) << "at the root nothing happens";
  s.shown.viewRoot = sample.photos;
  goUp(s, true, out);
  EXPECT_EQ(s.shown.viewRoot, sample.me);
  EXPECT_EQ(s.shown.focusNode, sample.photos);
  EXPECT_FALSE(out.find(EffectKind::ZoomMap)->flag);
  s.shown.focusNode = -1;
  goUp(s, false, out);
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_EQ(s.shown.focusNode, -1);

  s.review.open = true;
  s.review.root = sample.users;
  s.shown.viewRoot = sample.me;
  out = {};
  goUp(s, true, out);
  EXPECT_TRUE(s.review.open) << "below the review's root, up zooms out inside the review";
  EXPECT_EQ(s.shown.viewRoot, sample.users);
  EXPECT_TRUE(out.has(EffectKind::ZoomMap));
  out = {};
  goUp(s, true, out);
  EXPECT_FALSE(s.review.open) << "from the review's root, up leaves the review";
  EXPECT_TRUE(out.has(EffectKind::ShowFilterEdits));
}

TEST_F(Navigation, FocusedCellPrefersTheLargestBelowTheFocusNode) {
  s.shown.focusNode = sample.b;
  EXPECT_EQ(focusedCell(s), cells.cellOf(sample.b));
  s.shown.focusNode = sample.photos;   // a folder laid out as its files
  EXPECT_EQ(focusedCell(s), cells.cellOf(sample.a));
  s.shown.focusNode = -1;
  EXPECT_EQ(focusedCell(s), cells.cellOf(sample.big)) << "the largest of all";
  s.shown.focusNode = sample.photos;
  EXPECT_EQ(takeFocusedCell(s), cells.cellOf(sample.a));
  EXPECT_EQ(s.shown.focusNode, sample.a) << "the focus node follows the cell";
  s.scan.scanning = true;
  EXPECT_EQ(focusedCell(s), -1);
}

TEST_F(Navigation, NewCellsDropTheHoverButKeepTheFocusNode) {
  s.hoverCell = cells.cellOf(sample.a);
  s.shown.focusNode = sample.b;
  s.mapStale = true;
  const uint32_t generation = s.layoutGeneration;
  mapCellsReplaced(s, &cells.layout, 300, 200);
  EXPECT_EQ(s.hoverCell, -1);
  EXPECT_EQ(s.shown.focusNode, sample.b);
  EXPECT_FALSE(s.mapStale);
  EXPECT_EQ(s.treemapWidth, 300);
  EXPECT_EQ(s.layoutGeneration, generation + 1);
}

TEST_F(Navigation, SwitchingViews) {
  Outcome out;
  switchView(s, 2, out);
  EXPECT_EQ(s.currentView, MainView::Extensions);
  EXPECT_EQ(out.find(EffectKind::ShowLists)->number, 2);
  s.review.open = true;
  out = {};
  switchView(s, 1, out);
  EXPECT_EQ(s.currentView, MainView::Extensions) << "the review shows only the map";
  switchView(s, 0, out);
  EXPECT_EQ(s.currentView, MainView::Map);
}

}  // namespace
