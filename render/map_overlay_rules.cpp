#include "render/map_overlay_rules.h"

bool mapOverlayAllowed(const MapOverlayFacts& f) {
  return f.renderStarted && f.hasDeviceContext && !f.failedOnThisDevice && f.mapViewCurrent && f.treeLoaded &&
         !f.scanRunning && f.viewRootWeighted && !f.liveResize && !f.minimised && !f.mapStale &&
         !f.mapArea.empty() && f.mapArea.width() == f.rasterWidth && f.mapArea.height() == f.rasterHeight;
}

OverlayTimerAction overlayTimerAction(bool animationRunning, bool idle) {
  if (animationRunning) return OverlayTimerAction::Nothing;
  return idle ? OverlayTimerAction::TearDown : OverlayTimerAction::MarkIdleRepaint;
}
