// The map's animation steps as the main window shows them, and the colour scheme
// changed while it runs.
//
// A step of the lava flow asks for one frame of the map through the composition
// overlay (render/win32/map_overlay.h), so that only the map is drawn. Where the
// overlay cannot be made or shown (Wine has no DirectComposition) it fails once per
// device and from then on each step invalidates just the map area: the window's
// kept picture of the rest (paint_cache.h) makes that paint cost little more than
// the overlay's frame.
//
// Test-input mode only: MOSSBLOOM_TEST_LAVA_GPU=0 makes LavaGpu take the render
// device for one that cannot run it, so that the window's tests can watch the CPU
// path, and the fallback to it, on a machine whose device can;
// MOSSBLOOM_TEST_LAVA_FLOW_MS lengthens the flow (100 ms to 10 minutes) so that a
// slow test machine still catches frames while it pours. The test message
// kTestSchemeMessage chooses a colour scheme as the Settings window will.
//
// Threading: the window thread.
#include "platform/platform.h"
#include "render/win32/text.h"
#include "treemap/schemes.h"
#include "ui/map_overlay_facts.h"
#include "ui/map_scheme.h"
#include "ui/paint_rules.h"
#include "ui/win32/main_window.h"
#include <cwchar>

namespace {

void setProperty(HWND window, const wchar_t* name, int64_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}

bool overlayAllowed(MainWindow& w) {
  MapOverlayFacts facts = mapOverlayFactsOf(w.state, w.layout.content.map);
  facts.renderStarted = w.painting;
  facts.hasDeviceContext = w.resources.target.exists();
  facts.failedOnThisDevice = mapOverlayFailedOnThisDevice(w.overlay);
  facts.minimised = IsIconic(w.window) != FALSE;
  return mapOverlayAllowed(facts);
}

// MossbloomTest.OverlayTries: overlays tried; .Overlay: 0 none, 1 failed on this device, 2 live.
void publishOverlayState(MainWindow& w) {
  if (!w.testInput) return;
  setProperty(w.window, L"MossbloomTest.OverlayTries", w.overlay.attempts);
  setProperty(w.window, L"MossbloomTest.Overlay",
              w.overlay.exists() ? 2 : mapOverlayFailedOnThisDevice(w.overlay) ? 1 : 0);
}

void drawMapForOverlay(void* context, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t, uint32_t) {
  MainWindow& w = *static_cast<MainWindow*>(context);
  Canvas canvas{dc, brush, &programTextStyles(), static_cast<uint32_t>(w.state.dpi)};
  w.state.nowMs = nowMs();  // the transitions draw the moment of this frame
  paintMainMap(w.paint, w.state, w.layout, canvas);
}

uint32_t mapBackgroundColour(const MainWindow& w) {
  return mapBackground(mapSchemeAt(w.state.mapScheme), currentTheme().colors);
}

}  // namespace

void applyLavaTestSwitches(MainWindow& w) {
  if (!w.testInput) return;
  wchar_t value[8] = {};
  DWORD length = GetEnvironmentVariableW(L"MOSSBLOOM_TEST_LAVA_GPU", value, 8);
  w.paint.bitmap.gpu.refuseDevice = length == 1 && value[0] == L'0';
  wchar_t ms[16] = {};
  length = GetEnvironmentVariableW(L"MOSSBLOOM_TEST_LAVA_FLOW_MS", ms, 16);
  if (length > 0 && length < 16) {
    double flowMs = _wtof(ms);
    if (flowMs >= 100 && flowMs <= 600000) w.paint.bitmap.lava.flowMs = flowMs;
  }
}

bool mapAnimationRunning(const MainWindow& w) {
  return w.state.zoomRunning || w.paint.transitions.running() || w.paint.lavaFlowing;
}

void requestMapAnimationFrame(MainWindow& w) {
  const PixelRect& map = w.layout.content.map;
  const bool allowed = overlayAllowed(w);
  bool shown = false;
  if (w.overlay.exists() || allowed) shown = requestMapOverlayFrame(w.overlay, w.window, w.resources.target, allowed, map);
  if (!shown) {
    RECT rect = {map.left, map.top, map.right, map.bottom};
    InvalidateRect(w.window, &rect, FALSE);
  }
  publishOverlayState(w);
}

void onComposeFrame(MainWindow& w) {
  composeMapOverlayFrame(w.overlay, w.window, w.resources, overlayAllowed(w), mapBackgroundColour(w), drawMapForOverlay,
                         &w, &w.state.performance.frames);
  publishTestState(w);
  publishOverlayState(w);
}

void refreshMapOverlayAfterPaint(MainWindow& w) {
  if (!w.overlay.exists()) return;
  refreshMapOverlay(w.overlay, w.window, w.resources, mapBackgroundColour(w), drawMapForOverlay, &w);
  publishOverlayState(w);
}

void changeMapScheme(MainWindow& w, int32_t index) {
  Outcome out = setMapScheme(w.state, w.paint.bitmap.lava, index);
  runOutcome(w, out);
  // The lists' type swatches follow the scheme.
  for (HWND list : w.lists)
    if (list) InvalidateRect(list, nullptr, FALSE);
}
