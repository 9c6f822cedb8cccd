#include "render/frame_timing.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
FrameTiming framesEndingAt(const std::vector<double>& ends) {
  FrameTiming t;
  for (double end : ends) recordFrame(t, end - 4, end, false);
  return t;
}
}  // namespace

TEST(FrameTiming, RecordsPaintTimeRingAndCounters) {
  FrameTiming t;
  recordFrame(t, 100, 112.5, false);
  recordFrame(t, 200, 203, true);
  EXPECT_DOUBLE_EQ(t.paintMs, 3);
  EXPECT_EQ(t.frames, 2u);
  EXPECT_EQ(t.zoomFrames, 1u);
  EXPECT_DOUBLE_EQ(t.endTimes[0], 112.5);
  EXPECT_DOUBLE_EQ(t.endTimes[1], 203);
  for (int i = 0; i < 40; i++) recordFrame(t, i, i + 1, false);   // the ring wraps after 32
  EXPECT_EQ(t.frames, 42u);
  EXPECT_EQ(t.next, 42u % kFrameRingSize);
  EXPECT_DOUBLE_EQ(t.endTimes[(t.next + kFrameRingSize - 1) % kFrameRingSize], 40);
}

TEST(FrameTiming, RateFromTheNewestFrames) {
  struct Case { const char* what; std::vector<double> ends; double rate; } cases[] = {
      {"no frames", {}, 0},
      {"one frame", {5000}, 1},
      {"idle: one frame a second", {1000, 2000, 3000}, 2},   // j = 2 within 1000 ms, k = 1
      {"60 fps", {}, 60},
      {"two frames 100 ms apart", {4900, 5000}, 10},
      {"old frames end the walk", {1000, 4400, 4500, 4600}, 10},
      {"a burst of equal times", {7000, 7000, 7000}, 3},   // m = o: j
  };
  for (int i = 0; i < 31; i++) cases[3].ends.push_back(10000 + i * 1000.0 / 60);
  for (const Case& c : cases) EXPECT_NEAR(frameRate(framesEndingAt(c.ends)), c.rate, 1e-9) << c.what;
}

TEST(FrameTiming, RateSeenFromNow) {
  FrameTiming t = framesEndingAt({4000, 4100, 4200});
  EXPECT_NEAR(frameRate(t, 4200), 10, 1e-9);
  EXPECT_NEAR(frameRate(t, 4650), 3, 1e-9);    // only the newest within 500 ms: j counts the three
  EXPECT_NEAR(frameRate(t, 5150), 1, 1e-9);    // 4100 is more than a second old and ends the walk
  EXPECT_NEAR(frameRate(t, 6000), 0, 1e-9);    // a window that stopped painting
}

TEST(FrameTiming, RateAfterTheRingWrapped) {
  FrameTiming t;
  for (int i = 0; i < 100; i++) recordFrame(t, i * 10.0, i * 10.0 + 1, false);   // 100 fps
  EXPECT_NEAR(frameRate(t), 100, 1e-9);
}
