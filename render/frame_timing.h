// Frame timing of the main window: the paint time of the last frame, the end
// times of the last 32 frames, a frame counter and a counter of frames drawn
// during a zoom animation. The performance panel reads them.
//
// Threading: program-wide; written and read on the window thread only.
#pragma once
#include <cstdint>

constexpr int32_t kFrameRingSize = 32;

struct FrameTiming {
  double paintMs = 0;                    // the last frame's paint time
  double endTimes[kFrameRingSize] = {};  // milliseconds of the monotonic clock
  uint32_t next = 0;                     // the slot the next end time goes to
  uint64_t frames = 0;
  uint64_t zoomFrames = 0;
};

void recordFrame(FrameTiming& timing, double startMs, double endMs, bool zooming);

// Frames per second from the ring, walking from the newest: frames more than
// 1000 ms before `nowMs` end the walk and j counts the rest; among the k frames
// within 500 ms of it, from the newest time m back to the oldest o, the rate is
// (k − 1)·1000/(m − o) when k > 1 and m > o, else j. The window asks at paint
// time, so a window that stopped painting long ago shows 0.
double frameRate(const FrameTiming& timing, double nowMs);
// The same as seen at the newest frame's end.
double frameRate(const FrameTiming& timing);

FrameTiming& programFrameTiming();
