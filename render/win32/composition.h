// DirectComposition pieces: a composition device with a target and a root
// visual for a window, and a composition swap chain with a Direct2D target
// bitmap. dcomp.dll is loaded at run time, so the program starts where it is
// missing; there (and under Wine, where DCompositionCreateDevice2 fails) every
// creation fails and callers fall back to plain window repaints.
//
// Threading: the thread of the window the composition belongs to.
#pragma once
#include "render/win32/device.h"
#include <dcomp.h>
#include <dxgi1_2.h>

struct CompositionTarget {
  IDCompositionDesktopDevice* device = nullptr;
  IDCompositionTarget* target = nullptr;
  IDCompositionVisual2* visual = nullptr;   // the target's root
};
bool createCompositionTarget(CompositionTarget& composition, HWND window, bool topmost, const RenderDevice& device);
void releaseCompositionTarget(CompositionTarget& composition);

struct CompositionSurface {
  IDXGISwapChain1* swapChain = nullptr;   // two buffers, flip sequential
  ID2D1Bitmap1* bitmap = nullptr;         // on the back buffer, 96 DPI
  uint32_t width = 0, height = 0;
};
// Alpha ignored (the map overlay) or premultiplied (cards, fireworks).
bool createCompositionSurface(CompositionSurface& surface, const RenderDevice& device, ID2D1DeviceContext* context,
                              uint32_t width, uint32_t height, bool premultiplied);
void releaseCompositionSurface(CompositionSurface& surface);

// Whether DCompositionCreateDevice2 was found at all (loaded once per process).
bool compositionAvailable();
