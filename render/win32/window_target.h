// A window's drawing surface on the shared device: swap chain, Direct2D device
// context, its target bitmap (96 DPI, so one unit is one pixel) and the one
// brush every drawing call recolours. The swap chain keeps its picture between
// frames (sequential, one buffer), so a window that asks for it may redraw and
// present only what its paint was asked to update. Everything else a window makes on the
// device registers a release hook beside it, so that a changed or lost device
// drops it all in one place and the next paint builds it again.
//
// Threading: a window's resources belong to its thread; the render-start thread
// creates the main window's target before handing it over with the start message.
//
// Sections: target · device-bound resources · one frame
#pragma once
#include "render/frame_timing.h"
#include "render/win32/device.h"
#include <dxgi1_2.h>
#include <cstdint>
#include <type_traits>
#include <utility>

// --- Target ------------------------------------------------------------------------
struct WindowTarget {
  ID2D1Device* device = nullptr;        // counted: tells a device change apart
  IDXGISwapChain1* swapChain = nullptr;
  ID2D1DeviceContext* context = nullptr;
  ID2D1Bitmap1* bitmap = nullptr;       // the back buffer
  ID2D1SolidColorBrush* brush = nullptr;
  bool holdsFrame = false;              // the back buffer holds the last presented picture
  bool exists() const { return context != nullptr; }
};

// Failures record their step and leave the target released.
bool createWindowTarget(WindowTarget& target, HWND window, const RenderDevice& device);
bool resizeWindowTarget(WindowTarget& target, uint32_t width, uint32_t height);
void releaseWindowTarget(WindowTarget& target);
// Made from a device that is no longer the current one.
bool windowTargetIsStale(const WindowTarget& target);
// A bitmap of the back buffer's pixel size (0 × 0 without a target).
D2D1_SIZE_U windowTargetSize(const WindowTarget& target);

// --- Device-bound resources --------------------------------------------------------
using ReleaseHook = void (*)(void* owner);

struct DeviceBoundResources {
  WindowTarget target;
  struct Hook {
    ReleaseHook release = nullptr;
    void* owner = nullptr;
  };
  static constexpr int32_t kMaxHooks = 16;
  Hook hooks[kMaxHooks];
  int32_t hookCount = 0;
  uint32_t releases = 0;   // how many times everything was let go (device changed or lost)
};
// False when the list is full.
bool addReleaseHook(DeviceBoundResources& resources, ReleaseHook release, void* owner);
// Every hook in the order added, then the target.
void releaseDeviceBound(DeviceBoundResources& resources);

// --- One frame ---------------------------------------------------------------------
enum class FrameOutcome : uint8_t {
  Presented,
  EmptyClient,      // minimised or 0 × 0: nothing drawn, the swap chain untouched
  NoTarget,         // the device or the target could not be made; repainted on the next change
  ResizeFailed,     // the target released and the window invalidated: the next paint starts over
  DeviceLost,       // device dropped, resources released, window invalidated
  DrawFailed,       // another EndDraw or Present error: ignored
};

// What a frame has to draw: the paint's update region as rectangles, or the whole
// client area. A frame that does not start from a kept picture (a new or resized
// target, the first frame) is always whole.
struct FrameDamage {
  static constexpr int32_t kMaxRects = 32;   // more: their bounding box
  RECT rects[kMaxRects] = {};
  int32_t count = 0;
  RECT bounds = {};                          // of the update region
  bool whole = true;
};

struct FrameOptions {
  // Test-input mode: count presented frames in kFramePropertyName, as the last
  // step of the paint, so a test that sees a new number sees that frame's state.
  bool publishFrameCounter = false;
  FrameTiming* timing = nullptr;      // the main window measures its frames
  bool zooming = false;
  // When set, receives the paint's update rectangle before the drawing callback runs.
  RECT* updateRect = nullptr;
  // When set, receives what the frame has to draw before the drawing callback runs.
  // A callback that then draws nothing outside damage->rects leaves damage->whole
  // false, and only those rectangles are presented; one that draws everything
  // sets it to true. Without it every frame draws and presents the whole.
  FrameDamage* damage = nullptr;
};
constexpr wchar_t kFramePropertyName[] = L"Mossbloom.Frame";

using DrawFunction = void (*)(void* context, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width,
                              uint32_t height);

// One paint of a window, for WM_PAINT: begin the paint, follow the device,
// create or resize the target, draw, EndDraw, Present(1), end the paint.
FrameOutcome paintWindow(HWND window, DeviceBoundResources& resources, const FrameOptions& options, DrawFunction draw,
                         void* context);
template <typename Draw>
FrameOutcome paintWindow(HWND window, DeviceBoundResources& resources, const FrameOptions& options, Draw&& draw) {
  using Stored = std::remove_reference_t<Draw>;
  return paintWindow(window, resources, options,
                     [](void* c, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t w, uint32_t h) {
                       (*static_cast<Stored*>(c))(dc, brush, w, h);
                     },
                     const_cast<void*>(static_cast<const void*>(&draw)));
}
