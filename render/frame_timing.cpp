#include "render/frame_timing.h"

void recordFrame(FrameTiming& timing, double startMs, double endMs, bool zooming) {
  timing.paintMs = endMs - startMs;
  timing.endTimes[timing.next] = endMs;
  timing.next = (timing.next + 1) % kFrameRingSize;
  timing.frames++;
  if (zooming) timing.zoomFrames++;
}

double frameRate(const FrameTiming& timing) {
  uint64_t stored = timing.frames < kFrameRingSize ? timing.frames : kFrameRingSize;
  if (stored == 0) return 0;
  uint32_t newestSlot = (timing.next + kFrameRingSize - 1) % kFrameRingSize;
  double newest = timing.endTimes[newestSlot];
  int32_t within1000 = 0, within500 = 0;
  double oldest500 = newest;
  for (uint64_t i = 0; i < stored; i++) {
    double t = timing.endTimes[(newestSlot + kFrameRingSize - i) % kFrameRingSize];
    if (newest - t > 1000) break;
    within1000++;
    if (newest - t <= 500) {
      within500++;
      oldest500 = t;
    }
  }
  if (within500 > 1 && newest > oldest500) return (within500 - 1) * 1000.0 / (newest - oldest500);
  return within1000;
}

FrameTiming& programFrameTiming() {
  static FrameTiming timing;
  return timing;
}
