// The test-only window on the render layer. It starts like the main window will
// (created hidden, render-start thread, shown on the start message) and draws
// one of its scenes; tests drive it through the window test driver and read
// its state from window properties.
//
// Threading: everything here belongs to the window thread, except what the
// render-start thread fills in RenderStartShared before its message.
#pragma once
#include "render/win32/map_overlay.h"
#include "render/win32/render_start.h"
#include <string>

constexpr wchar_t kTestWindowClass[] = L"MossbloomRenderTest";

// Test messages, posted by the driver.
constexpr UINT kSimulateLossMessage = WM_APP + 50;   // wParam 0 removed, 1 reset, 2 recreate target
constexpr UINT kPaintNowMessage = WM_APP + 51;       // a paint even without an update region
constexpr UINT kVariantMessage = WM_APP + 52;        // wParam: the scene's variant
constexpr UINT kMapStepMessage = WM_APP + 53;        // one animation step of a map area

struct TestOptions {
  bool testInput = false;
  bool warp = false;                 // rebuild the device WARP-only before the start
  int32_t failedCreations = 0;       // device creations that fail (-1: all)
  HRESULT failureCode = static_cast<HRESULT>(0x887A0004);   // DXGI_ERROR_UNSUPPORTED
  std::u16string settingsDirectory;
  int32_t width = 800, height = 500; // client size
  std::wstring scene = L"device";
  int32_t themeOverride = -1;        // --theme
  int32_t accentIndex = -1;          // --accent
  uint32_t dpi = 0;                  // --dpi: the program's DPI instead of the window's
  std::wstring layoutOut;            // --layout-out: where the gallery writes what it drew where
  bool sizeGiven = false;
};

struct TestWindow {
  TestOptions options;
  HWND window = nullptr;
  DeviceBoundResources resources;
  RenderStartShared start;
  Thread startThread;
  bool painting = false;             // the start succeeded
  MapOverlay overlay;
  uint32_t variant = 0;
  uint32_t paints = 0, skipped = 0;
  uint32_t themeChanges = 0;         // system theme changes handled
  bool gallery = false;
  void* scene = nullptr;             // the scene's own state
};

// Scenes: each makes its state, draws a frame and answers its own messages.
void* createDeviceScene(TestWindow& w);
void drawDeviceScene(TestWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height);
void publishDeviceScene(TestWindow& w);   // its properties, after each paint
void* createGalleryScene(TestWindow& w);
void drawGalleryScene(TestWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width,
                      uint32_t height);
