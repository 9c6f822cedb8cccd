// Entry, options and window procedure of the render test window.
//   render_window.exe [--test-input] [--scene device|gallery] [--size WxH]
//                     [--settings-dir DIR] [--warp] [--fail-creations N] [--fail-code HRESULT]
//                     [--theme light|dark] [--accent NAME] [--dpi N] [--layout-out FILE]
// Properties it publishes (besides Mossbloom.Frame in test-input mode):
//   MossbloomTest.Started 1 ok / 2 failed · .Builds device builds · .Warp · .Releases
//   .Paints · .Skipped (paints of an empty client area) · .TargetSize (w << 16 | h)
//   .Overlay 0 none / 1 live / 2 failed on this device · .OverlayTries
//   .Click (x << 16 | y of the last left click, which also moves to the next variant)
//   .ClickFrame (the frame count when that click arrived: the frame after it shows the new variant)
//   .Dark (the theme in force) · .ThemeChanges (system theme changes handled) · .Dpi
#include "render_window.h"
#include "config/start_settings.h"
#include "render/map_overlay_rules.h"
#include "render/scale.h"
#include "render/start_log.h"
#include "render/win32/system_theme.h"
#include "render/win32/text.h"
#include <shellapi.h>
#include <cwchar>
#include <string>

namespace {
TestWindow gWindow;

void setProperty(const wchar_t* name, uintptr_t value) {
  SetPropW(gWindow.window, name, reinterpret_cast<HANDLE>(value));
}

void publishState() {
  TestWindow& w = gWindow;
  setProperty(L"MossbloomTest.Builds", renderDeviceBuilds());
  setProperty(L"MossbloomTest.Warp", renderDeviceIsWarp() ? 1 : 0);
  setProperty(L"MossbloomTest.Releases", w.resources.releases);
  setProperty(L"MossbloomTest.Paints", w.paints);
  setProperty(L"MossbloomTest.Skipped", w.skipped);
  D2D1_SIZE_U size = windowTargetSize(w.resources.target);
  setProperty(L"MossbloomTest.TargetSize", size.width << 16 | size.height);
  setProperty(L"MossbloomTest.Overlay", w.overlay.exists() ? 1 : mapOverlayFailedOnThisDevice(w.overlay) ? 2 : 0);
  setProperty(L"MossbloomTest.OverlayTries", w.overlay.attempts);
  setProperty(L"MossbloomTest.Dark", currentTheme().dark ? 1 : 0);
  setProperty(L"MossbloomTest.ThemeChanges", w.themeChanges);
  setProperty(L"MossbloomTest.Dpi", programDpi());
  if (!w.gallery) publishDeviceScene(w);
}

void drawScene(ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
  if (gWindow.gallery)
    drawGalleryScene(gWindow, dc, brush, width, height);
  else
    drawDeviceScene(gWindow, dc, brush, width, height);
  // Before the frame is counted: a test that sees the new frame number then reads this frame's state.
  publishState();
}

void paint() {
  TestWindow& w = gWindow;
  if (!w.painting) {   // until the start has succeeded a paint only validates
    ValidateRect(w.window, nullptr);
    return;
  }
  w.paints++;
  FrameOptions options;
  options.publishFrameCounter = w.options.testInput;
  options.timing = &programFrameTiming();
  FrameOutcome outcome = paintWindow(w.window, w.resources, options,
                                     [](ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width,
                                        uint32_t height) { drawScene(dc, brush, width, height); });
  if (outcome == FrameOutcome::EmptyClient) w.skipped++;
  publishState();
}

void started(bool succeeded) {
  TestWindow& w = gWindow;
  joinThread(w.startThread);
  setProperty(L"MossbloomTest.Started", succeeded ? 1 : 2);
  if (!succeeded) {
    if (!w.options.testInput) {
      std::u16string text = startFailureText(u"Mossbloom could not start Direct2D, which it needs to draw its window.",
                                             w.start.failure.step, static_cast<uint32_t>(w.start.failure.code));
      MessageBoxW(w.window, reinterpret_cast<const wchar_t*>(text.c_str()), L"Mossbloom", MB_ICONERROR);
    }
    DestroyWindow(w.window);
    return;
  }
  w.painting = true;
  publishState();
  ShowWindow(w.window, w.options.testInput ? SW_SHOWNOACTIVATE : SW_SHOW);
  UpdateWindow(w.window);
}

void mapStep() {
  TestWindow& w = gWindow;
  RECT client;
  GetClientRect(w.window, &client);
  PixelRect area{client.right / 4, client.bottom / 4, client.right * 3 / 4, client.bottom * 3 / 4};
  MapOverlayFacts facts;
  facts.renderStarted = w.painting;
  facts.hasDeviceContext = w.resources.target.exists();
  facts.failedOnThisDevice = mapOverlayFailedOnThisDevice(w.overlay);
  facts.mapViewCurrent = facts.treeLoaded = facts.viewRootWeighted = true;
  facts.minimised = IsIconic(w.window);
  facts.mapArea = area;
  facts.rasterWidth = area.width();
  facts.rasterHeight = area.height();
  requestMapOverlayFrame(w.overlay, w.window, w.resources.target, mapOverlayAllowed(facts), area);
  publishState();
}

void applyTheme() {
  TestWindow& w = gWindow;
  setCurrentTheme(computeSystemTheme(w.options.themeOverride, w.options.accentIndex));
  applyThemeToWindow(w.window, currentTheme());
}

void resizeForDpi() {
  TestWindow& w = gWindow;
  if (w.options.sizeGiven || !w.gallery) return;
  RECT frame = {0, 0, scaleDip(860), scaleDip(600)};
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(w.window, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(w.window, GWL_EXSTYLE));
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  SetWindowPos(w.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TestWindow& w = gWindow;
  if (isThemeChange(message, lParam)) {
    if (w.window) {
      applyTheme();
      w.themeChanges++;
      publishState();
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    return 0;
  }
  switch (message) {
    case WM_DPICHANGED: {
      if (!w.options.dpi) setProgramDpi(HIWORD(wParam));
      createTextStyles(programTextStyles(), programDpi());
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        tearDownMapOverlay(w.overlay, window);
        trimRenderDevice();
      }
      return 0;
    case kRendererStartedMessage: started(wParam != 0); return 0;
    case kSimulateLossMessage: {
      static const HRESULT codes[] = {DXGI_ERROR_DEVICE_REMOVED, DXGI_ERROR_DEVICE_RESET,
                                      static_cast<HRESULT>(D2DERR_RECREATE_TARGET)};
      simulateDeviceLoss(codes[wParam % 3]);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case kPaintNowMessage: RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_UPDATENOW); return 0;
    case kVariantMessage:
      w.variant = static_cast<uint32_t>(wParam);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kMapStepMessage: mapStep(); return 0;
    case WM_LBUTTONDOWN:   // input for the harness's own checks: the next variant, and where the click landed
      w.variant = (w.variant + 1) % 4;
      setProperty(L"MossbloomTest.ClickFrame", reinterpret_cast<uintptr_t>(GetPropW(window, kFramePropertyName)));
      setProperty(L"MossbloomTest.Click", static_cast<uintptr_t>(LOWORD(lParam)) << 16 | HIWORD(lParam));
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kComposeFrameMessage:
      composeMapOverlayFrame(w.overlay, window, w.resources, true, 0x000000,
                             [](void*, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width,
                                uint32_t height) { drawScene(dc, brush, width, height); },
                             nullptr, &programFrameTiming());
      publishState();
      return 0;
    case WM_TIMER:
      if (wParam == kOverlayTimerId) tickMapOverlay(w.overlay, window, false);
      return 0;
    case WM_DESTROY:
      tearDownMapOverlay(w.overlay, window);
      releaseDeviceBound(w.resources);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TestOptions parseOptions() {
  TestOptions o;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; argv && i < count; i++) {
    std::wstring a = argv[i];
    bool more = i + 1 < count;
    if (a == L"--test-input") o.testInput = true;
    else if (a == L"--warp") o.warp = true;
    else if (a == L"--settings-dir" && more) {
      std::wstring d = argv[++i];
      o.settingsDirectory.assign(d.begin(), d.end());
    } else if (a == L"--fail-creations" && more) o.failedCreations = _wtoi(argv[++i]);
    else if (a == L"--fail-code" && more) o.failureCode = static_cast<HRESULT>(wcstoul(argv[++i], nullptr, 0));
    else if (a == L"--size" && more) o.sizeGiven = swscanf(argv[++i], L"%dx%d", &o.width, &o.height) == 2;
    else if (a == L"--layout-out" && more) o.layoutOut = argv[++i];
    else if (a == L"--scene" && more) o.scene = argv[++i];
    else if (a == L"--theme" && more) {
      std::wstring t = argv[++i];
      o.themeOverride = t == L"dark" ? 1 : t == L"light" ? 0 : -1;
    } else if (a == L"--accent" && more) {
      std::wstring name = argv[++i];
      o.accentIndex = accentIndexFromName(std::u16string(name.begin(), name.end()));
    } else if (a == L"--dpi" && more) o.dpi = static_cast<uint32_t>(_wtoi(argv[++i]));
  }
  if (argv) LocalFree(argv);
  return o;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  TestWindow& w = gWindow;
  w.options = parseOptions();
  w.gallery = w.options.scene == L"gallery";
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);   // the system accent comes through WinRT
  if (w.options.failedCreations) simulateDeviceCreationFailures(w.options.failureCode, w.options.failedCreations);

  HANDLE windowCreated = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  w.start.resources = &w.resources;
  RenderStartRequest request;
  request.windowCreated = windowCreated;
  request.shared = &w.start;
  request.settingsDirectory = w.options.settingsDirectory;
  w.startThread = startRenderStart(request);

  WNDCLASSEXW windowClass = {sizeof windowClass};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kTestWindowClass;
  RegisterClassExW(&windowClass);
  DWORD exStyle = w.options.testInput ? WS_EX_NOACTIVATE | WS_EX_APPWINDOW : 0;
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame = {0, 0, w.options.width, w.options.height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int32_t at = w.gallery ? 8 : 40;   // the gallery at 144 DPI needs most of the screen
  w.window = CreateWindowExW(exStyle, kTestWindowClass, L"Mossbloom render test", style, at, at,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!w.window) return 1;
  setProgramDpi(w.options.dpi ? w.options.dpi : GetDpiForWindow(w.window));
  createTextStyles(programTextStyles(), programDpi());
  applyTheme();
  resizeForDpi();
  w.scene = w.gallery ? createGalleryScene(w) : createDeviceScene(w);
  if (w.options.warp) rebuildRenderDevice(DriverChoice::WarpOnly);
  w.start.window = w.window;
  SetEvent(windowCreated);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (w.startThread.handle) joinThread(w.startThread);
  CloseHandle(windowCreated);
  destroyTextStyles(programTextStyles());
  return 0;
}
