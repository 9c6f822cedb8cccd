// The lava's animation clock through the window's sequences of layouts and timer steps.
#include "treemap/lava_clock.h"
#include "treemap/lava.h"
#include <gtest/gtest.h>

namespace {
// A layout with runs reaching 100 pixels of flow at a gap of 3: total 100 + 240.
TreemapLayout layoutWithRuns(int32_t maxFlow = 100) {
  TreemapLayout layout;
  layout.gap = 3;
  layout.flowRuns.push_back({1, 1, maxFlow, 0, 0, 1});
  layout.maxFlow = maxFlow;
  return layout;
}
}  // namespace

TEST(LavaClock, NewTreeReplaysOverThreeSecondsAndStops) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  EXPECT_TRUE(lavaAfterLayout(state, layout, 1, 5, true, 1000.0));
  EXPECT_EQ(state.total, 340);
  EXPECT_EQ(state.t, 0);
  EXPECT_TRUE(lavaStep(state, 1000.0 + 1600));
  EXPECT_EQ(state.t, 170);
  EXPECT_TRUE(lavaStep(state, 1000.0 + 3199));
  EXPECT_EQ(state.t, 339);   // trunc(340 · 3199 / 3200)
  EXPECT_FALSE(lavaStep(state, 1000.0 + 3200));
  EXPECT_EQ(state.t, 340);
  EXPECT_FALSE(state.animating);
  EXPECT_FALSE(lavaStep(state, 9000.0)) << "a stopped flow stays stopped";
  EXPECT_EQ(state.t, 340);
}

TEST(LavaClock, ALongerFlowStretchesTheSameProgress) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  state.flowMs = 32000;
  EXPECT_TRUE(lavaAfterLayout(state, layout, 1, 5, true, 0.0));
  EXPECT_TRUE(lavaStep(state, 16000));
  EXPECT_EQ(state.t, 170);
  EXPECT_TRUE(lavaStep(state, 31990));
  EXPECT_EQ(state.t, 339);
  EXPECT_FALSE(lavaStep(state, 32000));
  EXPECT_EQ(state.t, 340);
}

// Zooming replays; repainting or laying out again the same view does not; a new
// layout of the same view while flowing (a resize) continues from the same start.
TEST(LavaClock, ReplayOnlyForANewTreeOrView) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  struct Step { uint64_t tree; int32_t root; double now; bool running; int32_t t; } steps[] = {
      {1, 5, 0, true, 0},        // first tree
      {1, 5, 800, true, 85},     // resized while flowing: continues, 340 · 0.25
      {1, 5, 4000, false, 340},  // done
      {1, 5, 4100, false, 340},  // the same view again: stays at rest
      {1, 9, 5000, true, 0},     // zoomed in: replays
      {1, 5, 9000, true, 0},     // back out: replays
      {2, 5, 20000, true, 0},    // a new scan with the same root index: replays
  };
  for (const Step& s : steps) {
    EXPECT_EQ(lavaAfterLayout(state, layout, s.tree, s.root, true, s.now), s.running) << s.now;
    EXPECT_EQ(state.t, s.t) << s.now;
  }
}

TEST(LavaClock, WithoutAnimationsTheGlowRestsAtOnce) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  EXPECT_FALSE(lavaAfterLayout(state, layout, 1, 5, false, 0));
  EXPECT_EQ(state.t, 340);
  EXPECT_FALSE(state.animating);
  // turning animations on later does not replay a tree already shown
  EXPECT_FALSE(lavaAfterLayout(state, layout, 1, 5, true, 100));
  EXPECT_EQ(state.t, 340);
}

TEST(LavaClock, NoRunsNoGlow) {
  TreemapLayout none;
  LavaState state;
  EXPECT_FALSE(lavaAfterLayout(state, none, 1, 5, true, 0));
  EXPECT_EQ(state.t, -1);
  EXPECT_EQ(state.total, 0);
  // a layout without runs in the middle of a flow stops it
  TreemapLayout layout = layoutWithRuns();
  EXPECT_TRUE(lavaAfterLayout(state, layout, 2, 5, true, 0));
  EXPECT_FALSE(lavaAfterLayout(state, none, 2, 5, true, 100));
  EXPECT_EQ(state.t, -1);
  EXPECT_FALSE(lavaStep(state, 200));
}

// A new scheme forgets what was played: the same tree and view replay.
TEST(LavaClock, ForgettingReplays) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  lavaAfterLayout(state, layout, 1, 5, true, 0);
  lavaStep(state, 5000);
  ASSERT_EQ(state.t, 340);
  forgetLavaPlay(state);
  EXPECT_TRUE(lavaAfterLayout(state, layout, 1, 5, true, 6000));
  EXPECT_EQ(state.t, 0);
}

TEST(LavaClock, ClockGoingBackwardsShowsTheStart) {
  TreemapLayout layout = layoutWithRuns();
  LavaState state;
  lavaAfterLayout(state, layout, 1, 5, true, 1000);
  EXPECT_TRUE(lavaStep(state, 900));
  EXPECT_EQ(state.t, 0);
}
