// The map overlay: a composition swap chain of the map area's size over the
// main window, so that map animations redraw only the map. It lives while an
// animation runs and for at most two quiet ticks of its 250 ms timer after it.
// Where composition is missing or fails (Wine), the overlay marks itself failed
// for the current device and every animation step repaints the whole window.
//
// Threading: the main window's thread only.
#pragma once
#include "render/pixel_rect.h"
#include "render/map_overlay_rules.h"
#include "render/win32/composition.h"
#include "render/win32/window_target.h"

constexpr UINT kComposeFrameMessage = WM_APP + 22;
constexpr UINT_PTR kOverlayTimerId = 15;
constexpr UINT kOverlayTimerMs = 250;

struct MapOverlay {
  CompositionTarget composition;
  CompositionSurface surface;
  PixelRect mapArea;            // the rectangle it was made for
  bool committed = false;       // the composition was committed once
  bool framePending = false;    // a kComposeFrameMessage is on its way
  bool idle = false;
  uint32_t madeOnBuild = 0;     // renderDeviceBuilds() when it was made
  uint32_t failedOnBuild = 0;   // the device build it failed on; 0 = none
  uint32_t attempts = 0;        // creations tried, for the performance panel and tests
  bool exists() const { return surface.bitmap != nullptr; }
};

// For MapOverlayFacts::failedOnThisDevice.
bool mapOverlayFailedOnThisDevice(const MapOverlay& overlay);

// An animation step of the map (never while the window itself paints). True when
// the overlay will show the step; false when the whole window was invalidated.
bool requestMapOverlayFrame(MapOverlay& overlay, HWND window, const WindowTarget& target, bool allowed,
                            PixelRect mapArea);

// kComposeFrameMessage. `usable`: the overlay is still allowed for the current
// map. Draws the map through drawMap in window coordinates on `background`.
void composeMapOverlayFrame(MapOverlay& overlay, HWND window, DeviceBoundResources& resources, bool usable,
                            uint32_t background, DrawFunction drawMap, void* context, FrameTiming* timing);
// After a full paint of the window, so that the overlay shows the same map.
void refreshMapOverlay(MapOverlay& overlay, HWND window, DeviceBoundResources& resources, uint32_t background,
                       DrawFunction drawMap, void* context);

// The 250 ms timer (kOverlayTimerId).
void tickMapOverlay(MapOverlay& overlay, HWND window, bool animationRunning);
void tearDownMapOverlay(MapOverlay& overlay, HWND window);
