// The lava's animation clock: when a new tree or a new view is shown the lava
// pours for 3.2 seconds, then rests. The window owns one LavaState, calls
// lavaAfterLayout after every map layout and lavaStep from its 15 ms timer, and
// draws the map at state.t; the calls say whether the timer should run.
//
// Threading: a LavaState belongs to the thread of its window.
#pragma once
#include "treemap/treemap.h"
#include <cstdint>

constexpr double kLavaFlowMs = 3200;
constexpr uint32_t kLavaTimerMs = 15;

struct LavaState {
  int32_t t = -1;            // progress in pixels of flow; -1: no glow
  int32_t total = 0;         // progress at rest: maxFlow + 80·gap, 0 without runs
  double startMs = 0;        // when the current flow started
  double flowMs = kLavaFlowMs;   // how long a flow pours (longer only for window tests)
  bool animating = false;
  // What the glow last played for: a tree (the caller's number for it, 0 = none)
  // and the view root inside it.
  uint64_t playedTree = 0;
  int32_t playedRoot = -1;
};

// After every map layout. `tree` numbers the tree shown (a new scan or import gets
// a new number, never 0), `viewRoot` is the node laid out. A new tree or root
// replays the flow, an unchanged one continues a running flow or stays at rest.
// Without client-area animations the glow is shown at rest at once. Returns true
// while the animation runs (the 15 ms timer should run).
bool lavaAfterLayout(LavaState& state, const TreemapLayout& layout, uint64_t tree,
                     int32_t viewRoot, bool animationsOn, double nowMs);

// The timer's step: recomputes t; false once the flow has come to rest (stop the timer).
bool lavaStep(LavaState& state, double nowMs);

// Forgets what the glow played for, so that the next layout replays it (a new scheme).
void forgetLavaPlay(LavaState& state);
