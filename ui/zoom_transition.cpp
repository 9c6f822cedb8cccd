#include "ui/zoom_transition.h"

#include "render/theme.h"
#include <algorithm>

ZoomFrame zoomFrame(bool zoomIn, const PixelRect& folder, int32_t width, int32_t height, double elapsedMs) {
  const double e = smoothstep(std::min(1.0, std::max(0.0, elapsedMs) / kZoomTransitionMs));
  const double j = zoomIn ? e : 1 - e;
  const double W = width, H = height;
  const double x0 = folder.left, y0 = folder.top, x1 = folder.right, y1 = folder.bottom;
  ZoomFrame f;
  f.sourceIsSnapshot = zoomIn;
  const double sw = W + j * (x1 - x0 - W), sh = H + j * (y1 - y0 - H);
  f.source = {j * x0, j * y0, j * x0 + sw, j * y0 + sh};
  f.otherOpacity = zoomIn ? e : 1 - e;
  if (sw <= 0 || sh <= 0) return f;
  const double left = (x0 - j * x0) * W / sw, top = (y0 - j * y0) * H / sh;
  const double ow = (x1 - x0) * W / sw, oh = (y1 - y0) * H / sh;
  f.other = {left, top, left + ow, top + oh};
  f.drawOther = ow > 0 && oh > 0;
  return f;
}

bool folderRectInLayout(const TreemapLayout& layout, const Tree& tree, int32_t folder, int32_t viewRoot,
                        PixelRect& out) {
  if (folder < 0 || folder >= tree.nodeCount) return false;
  bool any = false;
  PixelRect box;
  const TreemapRect* rects = layout.rects();
  for (uint64_t i = 0; i < layout.rectCount; i++) {
    const TreemapRect& r = rects[i];
    int32_t n = r.node;
    while (n >= 0 && n < tree.nodeCount && n != folder && n != viewRoot) n = tree.node(n).parent;
    if (n != folder) continue;
    if (!any) box = {r.x0, r.y0, r.x1, r.y1};
    else box = {std::min(box.left, r.x0), std::min(box.top, r.y0), std::max(box.right, r.x1), std::max(box.bottom, r.y1)};
    any = true;
  }
  if (!any || box.width() < 2 || box.height() < 2) return false;
  out = box;
  return true;
}

void startZoomTransition(ZoomTransition& z, bool zoomIn, const PixelRect& folder, double nowMs, uint64_t zoomFrames) {
  z.running = true;
  z.zoomIn = zoomIn;
  z.folder = folder;
  z.startMs = nowMs;
  z.framesAtStart = zoomFrames;
}

bool zoomTransitionDone(const ZoomTransition& z, double nowMs) { return nowMs - z.startMs >= kZoomTransitionMs; }

double zoomFrameRate(uint64_t frames, double startMs, double nowMs) {
  if (frames == 0 || !(nowMs > startMs)) return -1;
  return static_cast<double>(frames) * 1000.0 / (nowMs - startMs);
}

bool endZoomTransition(ZoomTransition& z, double nowMs, uint64_t zoomFrames, bool measure, double& lastZoomFps) {
  if (!z.running) return false;
  z.running = false;
  if (measure) {
    const uint64_t frames = zoomFrames >= z.framesAtStart ? zoomFrames - z.framesAtStart : 0;
    const double fps = zoomFrameRate(frames, z.startMs, nowMs);
    if (fps >= 0) lastZoomFps = fps;
  }
  return true;
}
