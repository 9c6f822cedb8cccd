// The window's picture without its changing parts, kept on the device between
// frames. Moving the pointer over the map changes only the hover outlines and the
// status bar, and the one-second memory reading only the status bar; such a frame
// copies this picture, draws the map bitmap, the outlines and the status bar on it,
// and skips the ~100 texts and cards of the rest, which through a software
// rasteriser cost most of a frame.
//
// Whoever changes anything else invalidates the whole window (or some part outside
// the changing parts): a paint whose update rectangle reaches outside them draws
// everything and takes the picture anew. So the picture is only reused when nothing
// it shows can have changed.
//
// Threading: the window thread, between BeginDraw and EndDraw.
#pragma once
#include "render/pixel_rect.h"
#include "ui/layout.h"
#include <d2d1_1.h>
#include <cstdint>

struct ChromeCache {
  ID2D1Bitmap1* bitmap = nullptr;  // the window without the map and the status region
  ID2D1Image* window = nullptr;    // the window's target while the picture is drawn
  int32_t width = 0, height = 0;
  PixelRect map, status;           // the changing parts it was taken around
  bool valid = false;
  uint64_t takes = 0, reuses = 0;  // for tests and benchmarks
};

// The status bar with the performance panel: the main column below the content panel.
PixelRect statusRegion(const WindowLayout& layout, int32_t clientHeight);
// What a hover over the map changes (the map area and the status region, as one
// rectangle); what the memory reading changes (the status region).
PixelRect hoverRepaintRect(const WindowLayout& layout, int32_t clientHeight);

// Whether a paint of `dirty` (the paint's update rectangle) may start from the picture.
bool chromeReusable(const ChromeCache& cache, const WindowLayout& layout, int32_t width, int32_t height,
                    const PixelRect& dirty);
// Points the drawing at the picture (made when missing or of another size), to draw
// the window without its changing parts into it; false (drawing stays on the window)
// when it cannot be made.
bool beginChrome(ChromeCache& cache, ID2D1DeviceContext* dc, int32_t width, int32_t height);
// Points the drawing back at the window; the picture is kept for the layout's parts.
void endChrome(ChromeCache& cache, ID2D1DeviceContext* dc, const WindowLayout& layout);
// Draws the picture over the whole target, or only its part `r`.
void drawChrome(ChromeCache& cache, ID2D1DeviceContext* dc);
void drawChromePart(ChromeCache& cache, ID2D1DeviceContext* dc, const PixelRect& r);
void releaseChrome(ChromeCache& cache);
void releaseChromeHook(void* cache);   // a ReleaseHook for DeviceBoundResources
