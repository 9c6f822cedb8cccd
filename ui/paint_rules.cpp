#include "ui/paint_rules.h"

#include "render/scale.h"
#include "ui/drive_text.h"
#include "ui/navigation.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cmath>

namespace {

int32_t roundToPixel(double v) { return static_cast<int32_t>(std::lround(v)); }

bool elementIs(const ElementRef& e, ElementId id) { return e.id == id; }

}  // namespace

// --- Moving values ---------------------------------------------------------------------
double tweenValue(Tween& tween, double target, double nowMs, double durationMs, bool animationsOn) {
  if (!tween.known || !animationsOn) {
    tween = {target, target, nowMs, true};
    return target;
  }
  if (target != tween.to) {
    double shown = tween.from + (tween.to - tween.from) * smoothstep((nowMs - tween.startMs) / durationMs);
    tween = {shown, target, nowMs, true};
  }
  return tween.from + (tween.to - tween.from) * smoothstep((nowMs - tween.startMs) / durationMs);
}

bool tweenRunning(const Tween& tween, double nowMs, double durationMs) {
  return tween.known && tween.from != tween.to && nowMs - tween.startMs < durationMs;
}

KnobPositions knobPositions(PaintAnimations& a, const ViewState& s) {
  const bool on = s.facts.animationsOn;
  KnobPositions k;
  k.scanMode = tweenValue(a.scanModeKnob, s.settings.scanMode == ScanMode::Mft ? 1 : 0, s.nowMs, kKnobSlideMs, on);
  k.sizeMode = tweenValue(a.sizeModeKnob, s.settings.sizeMode == SizeMode::OnDisk ? 1 : 0, s.nowMs, kKnobSlideMs, on);
  k.units = tweenValue(a.unitsKnob, s.settings.sizeUnits == SizeUnits::Binary ? 1 : 0, s.nowMs, kKnobSlideMs, on);
  // A knob the pointer drags follows it, not the setting.
  if (s.press.knobDragged) {
    if (elementIs(s.pressed, ElementId::LogicalSizes) || elementIs(s.pressed, ElementId::SizesOnDisk))
      k.sizeMode = s.press.knobPosition;
    if (elementIs(s.pressed, ElementId::DecimalUnits) || elementIs(s.pressed, ElementId::BinaryUnits))
      k.units = s.press.knobPosition;
  }
  return k;
}

double splitterHighlight(PaintAnimations& a, const ViewState& s) {
  bool lit = elementIs(s.hover, ElementId::Splitter) || elementIs(s.pressed, ElementId::Splitter) ||
             (elementIs(s.focus, ElementId::Splitter) && s.focusVisible && s.windowHasFocus);
  return tweenValue(a.splitter, lit ? 1 : 0, s.nowMs, kSplitterFadeMs, s.facts.animationsOn);
}

int32_t panelSlideOffset(PaintAnimations& a, const ViewState& s, int32_t panelHeight) {
  bool open = s.settings.performancePanel == PerformancePanel::Open && !s.panelClosing;
  double shown = tweenValue(a.panel, open ? 1 : 0, s.nowMs, kPanelSlideMs, s.facts.animationsOn);
  return roundToPixel((1 - shown) * panelHeight);
}

PaintMotion paintMotion(const PaintAnimations& a, const ViewState& s) {
  PaintMotion m;
  m.tipFading = fastScanTipFade(s).running;
  m.knobsSliding = tweenRunning(a.scanModeKnob, s.nowMs, kKnobSlideMs) ||
                   tweenRunning(a.sizeModeKnob, s.nowMs, kKnobSlideMs) || tweenRunning(a.unitsKnob, s.nowMs, kKnobSlideMs);
  m.splitterFading = tweenRunning(a.splitter, s.nowMs, kSplitterFadeMs);
  m.panelSliding = tweenRunning(a.panel, s.nowMs, kPanelSlideMs);
  return m;
}

// --- Scanning -----------------------------------------------------------------------
ProgressFill progressFill(const ViewState& s, const PixelRect& track) {
  ProgressFill fill;
  if (track.empty()) return fill;
  const ScanProgressSnapshot& p = s.scan.progress;
  const int32_t width = track.width();
  if (p.total > 0) {
    double share = std::clamp(static_cast<double>(std::max<int64_t>(p.done, 0)) / static_cast<double>(p.total), 0.0, 1.0);
    int32_t filled = roundToPixel(width * share);
    if (filled > 0) fill.first = {track.left, track.top, track.left + filled, track.bottom};
    return fill;
  }
  const int32_t segment = std::min(width, scaleDip(kSegmentDips, static_cast<uint32_t>(s.dpi)));
  if (!s.facts.animationsOn) {
    int32_t left = track.left + (width - segment) / 2;
    fill.first = {left, track.top, left + segment, track.bottom};
    return fill;
  }
  double elapsed = std::max(0.0, s.nowMs - s.scan.startMs);
  int32_t at = static_cast<int32_t>(std::fmod(elapsed * kSegmentPixelsPerMs, static_cast<double>(width)));
  int32_t right = at + segment;
  fill.first = {track.left + at, track.top, track.left + std::min(right, width), track.bottom};
  if (right > width) fill.second = {track.left, track.top, track.left + (right - width), track.bottom};
  return fill;
}

TipFade fastScanTipFade(const ViewState& s) {
  TipFade fade;
  if (!fastScanTipShown(s)) return fade;
  double t = (s.nowMs - s.scan.startMs - kFastScanTipDelayMs) / kTipFadeMs;
  double eased = s.facts.animationsOn ? smoothstep(t) : 1.0;
  fade.opacity = static_cast<float>(eased);
  fade.offset = roundToPixel(scaleDip(6, static_cast<uint32_t>(s.dpi)) * (1 - eased));
  fade.running = s.facts.animationsOn && t < 1;
  return fade;
}

// --- Sidebar ------------------------------------------------------------------------
PixelRect driveUsageFill(const DriveEntry& drive, const PixelRect& bar) {
  int32_t filled = roundToPixel(bar.width() * driveUsedShare(drive));
  if (filled <= 2 || bar.empty()) return {};
  return {bar.left, bar.top, bar.left + filled, bar.bottom};
}

uint32_t driveUsageColor(const DriveEntry& drive, const ThemeColors& colors) {
  return driveUsedShare(drive) > 0.9 ? kErrorRed : colors.accent;
}

// --- Map ------------------------------------------------------------------------------
bool mapUpdateDue(const ViewState& s) { return s.mapStale && !s.resizing && s.currentView == MainView::Map; }

bool mapFillsContent(const ViewState& s) {
  return s.currentView == MainView::Map && hasTree(s) && !s.scan.scanning && shownSize(s, s.shown.viewRoot) > 0;
}

uint32_t mapBackground(const MapScheme& scheme, const ThemeColors& colors) {
  return scheme.background ? scheme.background & 0xFFFFFF : colors.surface;
}

PixelRect folderRunBox(const ViewState& s, int32_t cell, int32_t folder) {
  if (!s.treemap || !isValidNode(s, folder) || cell < 0 || static_cast<uint64_t>(cell) >= s.treemap->rectCount) return {};
  const Tree& tree = *s.shown.tree;
  const TreemapRect* rects = s.treemap->rects();
  const int64_t count = static_cast<int64_t>(s.treemap->rectCount);
  // Cells of one folder usually share a parent: remember the last parent found inside,
  // so a run of siblings costs one comparison each instead of a walk to the folder.
  int32_t insideParent = -1;
  auto inside = [&](int32_t node) {
    if (node == folder) return true;
    int32_t parent = tree.node(node).parent;
    if (parent == insideParent) return true;
    for (int32_t n = parent; n >= 0; n = tree.node(n).parent) {
      if (n == folder) {
        insideParent = parent;
        return true;
      }
      if (n == s.shown.viewRoot) return false;
    }
    return false;
  };
  if (!inside(rects[cell].node)) return {};
  int64_t first = cell, last = cell;
  while (first > 0 && inside(rects[first - 1].node)) first--;
  while (last + 1 < count && inside(rects[last + 1].node)) last++;
  PixelRect box{rects[first].x0, rects[first].y0, rects[first].x1, rects[first].y1};
  for (int64_t i = first + 1; i <= last; i++) {
    box.left = std::min(box.left, rects[i].x0);
    box.top = std::min(box.top, rects[i].y0);
    box.right = std::max(box.right, rects[i].x1);
    box.bottom = std::max(box.bottom, rects[i].y1);
  }
  if (box.width() < 2 || box.height() < 2) return {};
  return box;
}

HoverOutlines hoverOutlines(HoverBoxCache& cache, const ViewState& s) {
  HoverOutlines out;
  const int32_t cell = s.hoverCell;
  if (!hasTree(s) || s.scan.scanning || !s.treemap || cell < 0 || static_cast<uint64_t>(cell) >= s.treemap->rectCount)
    return out;
  const TreemapRect& r = s.treemap->rects()[cell];
  out.cell = {r.x0, r.y0, r.x1, r.y1};
  if (!cache.valid || cache.cell != cell || cache.layoutGeneration != s.layoutGeneration) {
    int32_t folder = zoomTarget(s, cell);
    cache.box = folder >= 0 ? folderRunBox(s, cell, folder) : PixelRect{};
    cache.cell = cell;
    cache.layoutGeneration = s.layoutGeneration;
    cache.valid = true;
  }
  out.box = cache.box;
  out.cellOutline = !(out.box == out.cell);
  out.innerLine = out.box.width() >= 10 && out.box.height() >= 10;
  return out;
}

HoverColors hoverColors(bool glowScheme) {
  if (glowScheme) return {0xFFA030, 0xFF2A0A, 0x6E1206, 0.7f, true};
  return {kWhite, kWhite, kBlack, 0.7f, false};
}
