// When the main window may show its map through the composition overlay, and
// what the overlay's 250 ms timer does. The overlay itself is
// render/win32/map_overlay.h; the window fills these facts from its view state.
//
// Threading: pure functions.
#pragma once
#include "render/pixel_rect.h"
#include <cstdint>

struct MapOverlayFacts {
  bool renderStarted = false;       // the start-up succeeded
  bool hasDeviceContext = false;    // the main window has a WindowTarget
  bool failedOnThisDevice = false;  // the overlay failed since the device was last built
  bool mapViewCurrent = false;
  bool treeLoaded = false;
  bool scanRunning = false;
  bool viewRootWeighted = false;    // the view root's weight is above 0
  bool liveResize = false;
  bool minimised = false;
  bool mapStale = false;            // e.g. after a theme change: the layout is out of date
  PixelRect mapArea;
  int32_t rasterWidth = 0, rasterHeight = 0;   // the size of the last raster
};
bool mapOverlayAllowed(const MapOverlayFacts& facts);

enum class OverlayTimerAction : uint8_t {
  Nothing,          // an animation still runs
  MarkIdleRepaint,  // first quiet tick: set the idle flag and repaint the whole window
  TearDown,         // second quiet tick
};
OverlayTimerAction overlayTimerAction(bool animationRunning, bool idle);
