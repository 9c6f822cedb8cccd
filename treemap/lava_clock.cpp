#include "treemap/lava_clock.h"
#include "treemap/lava.h"
#include <algorithm>
#include <cmath>

namespace {
void computeProgress(LavaState& state, double nowMs) {
  const double flowMs = state.flowMs > 0 ? state.flowMs : kLavaFlowMs;
  double c = std::min(1.0, (nowMs - state.startMs) / flowMs);
  if (c >= 1 || !state.animating) {
    state.t = state.total;
  } else {
    // a clock that went backwards shows the start, not a negative progress
    state.t = int32_t(double(state.total) * std::max(0.0, c));
  }
  if (state.t >= state.total) state.animating = false;
}
}  // namespace

bool lavaAfterLayout(LavaState& state, const TreemapLayout& layout, uint64_t tree,
                     int32_t viewRoot, bool animationsOn, double nowMs) {
  bool wasAnimating = state.animating;
  state.animating = false;
  state.total = lavaTotal(layout);
  state.t = state.total > 0 ? state.total : -1;
  if (state.total <= 0) return false;
  bool replay = tree != state.playedTree || viewRoot != state.playedRoot;
  state.playedTree = tree;
  state.playedRoot = viewRoot;
  if (!animationsOn || (!replay && !wasAnimating)) return false;
  if (replay) state.startMs = nowMs;
  state.animating = true;
  computeProgress(state, nowMs);
  return state.animating;
}

bool lavaStep(LavaState& state, double nowMs) {
  if (!state.animating) return false;
  computeProgress(state, nowMs);
  return state.animating;
}

void forgetLavaPlay(LavaState& state) {
  state.playedTree = 0;
  state.playedRoot = -1;
}
