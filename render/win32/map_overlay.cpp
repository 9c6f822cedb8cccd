#include "render/win32/map_overlay.h"
#include "platform/platform.h"

namespace {
D2D1_COLOR_F opaque(uint32_t rgb) {
  return D2D1::ColorF(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1.0f);
}

void postFrame(MapOverlay& overlay, HWND window) {
  SetTimer(window, kOverlayTimerId, kOverlayTimerMs, nullptr);
  if (!overlay.framePending) {
    overlay.framePending = true;
    PostMessageW(window, kComposeFrameMessage, 0, 0);
  }
}

bool build(MapOverlay& overlay, HWND window, const WindowTarget& target, PixelRect area) {
  const RenderDevice* device = acquireRenderDevice();
  if (!device || device->d2d != target.device) return false;
  CompositionTarget& c = overlay.composition;
  return createCompositionSurface(overlay.surface, *device, target.context, static_cast<uint32_t>(area.width()),
                                  static_cast<uint32_t>(area.height()), false) &&
         createCompositionTarget(c, window, false, *device) &&
         SUCCEEDED(c.visual->SetOffsetX(static_cast<float>(area.left))) &&
         SUCCEEDED(c.visual->SetOffsetY(static_cast<float>(area.top))) &&
         SUCCEEDED(c.visual->SetContent(overlay.surface.swapChain));
}

// One overlay frame: false with the failing code in `hr`.
bool drawFrame(MapOverlay& overlay, DeviceBoundResources& resources, uint32_t background, DrawFunction drawMap,
               void* context, HRESULT& hr) {
  WindowTarget& target = resources.target;
  ID2D1DeviceContext* dc = target.context;
  dc->SetTarget(overlay.surface.bitmap);
  dc->BeginDraw();
  dc->SetTransform(D2D1::Matrix3x2F::Translation(static_cast<float>(-overlay.mapArea.left),
                                                 static_cast<float>(-overlay.mapArea.top)));
  dc->Clear(opaque(background));
  D2D1_SIZE_U client = windowTargetSize(target);
  drawMap(context, dc, target.brush, client.width, client.height);
  dc->SetTransform(D2D1::Matrix3x2F::Identity());
  hr = dc->EndDraw();
  if (HRESULT simulated = takeSimulatedDeviceLoss()) hr = simulated;
  dc->SetTarget(target.bitmap);
  if (SUCCEEDED(hr)) hr = overlay.surface.swapChain->Present(1, 0);
  if (SUCCEEDED(hr) && !overlay.committed) {
    hr = overlay.composition.device->Commit();
    overlay.committed = SUCCEEDED(hr);
  }
  return SUCCEEDED(hr);
}

void failFrame(MapOverlay& overlay, HWND window, const WindowTarget& target, HRESULT hr) {
  tearDownMapOverlay(overlay, window);
  if (isDeviceLoss(hr))
    dropRenderDevice(target.device);   // the next paint finds its target stale and rebuilds everything
  else
    overlay.failedOnBuild = renderDeviceBuilds();
  InvalidateRect(window, nullptr, FALSE);
}
}  // namespace

bool mapOverlayFailedOnThisDevice(const MapOverlay& overlay) {
  return overlay.failedOnBuild != 0 && overlay.failedOnBuild == renderDeviceBuilds();
}

bool requestMapOverlayFrame(MapOverlay& overlay, HWND window, const WindowTarget& target, bool allowed,
                            PixelRect mapArea) {
  if (overlay.exists() && (!allowed || !(overlay.mapArea == mapArea) || overlay.madeOnBuild != renderDeviceBuilds() ||
                           windowTargetIsStale(target)))
    tearDownMapOverlay(overlay, window);
  if (overlay.exists()) {
    overlay.idle = false;
    postFrame(overlay, window);
    return true;
  }
  if (allowed && target.exists() && !mapOverlayFailedOnThisDevice(overlay) && !mapArea.empty()) {
    overlay.attempts++;
    if (build(overlay, window, target, mapArea)) {
      overlay.mapArea = mapArea;
      overlay.madeOnBuild = renderDeviceBuilds();
      overlay.idle = false;
      postFrame(overlay, window);
      return true;
    }
    tearDownMapOverlay(overlay, window);
    overlay.failedOnBuild = renderDeviceBuilds();
  }
  InvalidateRect(window, nullptr, FALSE);
  return false;
}

void composeMapOverlayFrame(MapOverlay& overlay, HWND window, DeviceBoundResources& resources, bool usable,
                            uint32_t background, DrawFunction drawMap, void* context, FrameTiming* timing) {
  overlay.framePending = false;
  if (GetUpdateRect(window, nullptr, FALSE)) return;   // the coming paint redraws the overlay too
  WindowTarget& target = resources.target;
  if (!overlay.exists() || !usable || overlay.madeOnBuild != renderDeviceBuilds() || !target.exists() ||
      windowTargetIsStale(target)) {
    tearDownMapOverlay(overlay, window);
    InvalidateRect(window, nullptr, FALSE);
    return;
  }
  double start = nowMs();
  HRESULT hr = S_OK;
  if (!drawFrame(overlay, resources, background, drawMap, context, hr)) {
    failFrame(overlay, window, target, hr);
    return;
  }
  if (timing) recordFrame(*timing, start, nowMs(), false);
}

void refreshMapOverlay(MapOverlay& overlay, HWND window, DeviceBoundResources& resources, uint32_t background,
                       DrawFunction drawMap, void* context) {
  if (!overlay.exists()) return;
  WindowTarget& target = resources.target;
  if (!target.exists() || overlay.madeOnBuild != renderDeviceBuilds()) {
    tearDownMapOverlay(overlay, window);
    return;
  }
  HRESULT hr = S_OK;
  if (!drawFrame(overlay, resources, background, drawMap, context, hr)) failFrame(overlay, window, target, hr);
}

void tickMapOverlay(MapOverlay& overlay, HWND window, bool animationRunning) {
  if (!overlay.exists()) {
    KillTimer(window, kOverlayTimerId);
    return;
  }
  switch (overlayTimerAction(animationRunning, overlay.idle)) {
    case OverlayTimerAction::Nothing: break;
    case OverlayTimerAction::MarkIdleRepaint:
      overlay.idle = true;
      InvalidateRect(window, nullptr, FALSE);
      break;
    case OverlayTimerAction::TearDown: tearDownMapOverlay(overlay, window); break;
  }
}

void tearDownMapOverlay(MapOverlay& overlay, HWND window) {
  CompositionTarget& c = overlay.composition;
  if (overlay.committed && c.target && c.device) {
    c.target->SetRoot(nullptr);
    c.device->Commit();
  }
  releaseCompositionSurface(overlay.surface);
  releaseCompositionTarget(overlay.composition);
  overlay.committed = overlay.framePending = overlay.idle = false;
  overlay.mapArea = {};
  KillTimer(window, kOverlayTimerId);
}
