#include "render/frame_timing.h"

void recordFrame(FrameTiming& timing, double startMs, double endMs, bool zooming) {
  timing.paintMs = endMs - startMs;
  timing.endTimes[timing.next] = endMs;
  timing.next = (timing.next + 1) % kFrameRingSize;
  timing.frames++;
  if (zooming) timing.zoomFrames++;
}

namespace {
uint32_t newestSlot(const FrameTiming& timing) { return (timing.next + kFrameRingSize - 1) % kFrameRingSize; }
}  // namespace

double frameRate(const FrameTiming& timing, double nowMs) {
  uint64_t stored = timing.frames < kFrameRingSize ? timing.frames : kFrameRingSize;
  uint32_t slot = newestSlot(timing);
  int32_t within1000 = 0, within500 = 0;
  double newest500 = 0, oldest500 = 0;
  for (uint64_t i = 0; i < stored; i++) {
    double t = timing.endTimes[(slot + kFrameRingSize - i) % kFrameRingSize];
    if (nowMs - t > 1000) break;
    within1000++;
    if (nowMs - t <= 500) {
      if (within500 == 0) newest500 = t;
      within500++;
      oldest500 = t;
    }
  }
  if (within500 > 1 && newest500 > oldest500) return (within500 - 1) * 1000.0 / (newest500 - oldest500);
  return within1000;
}

double frameRate(const FrameTiming& timing) {
  if (timing.frames == 0) return 0;
  return frameRate(timing, timing.endTimes[newestSlot(timing)]);
}

FrameTiming& programFrameTiming() {
  static FrameTiming timing;
  return timing;
}
