// Entry, options and window procedure of the paint test window.
//   paint_window.exe [--test-input] [--folder DIR] [--state N] [--size WxH] [--theme light|dark]
//                    [--dpi N] [--scheme NAME] [--layout-out FILE] [--animations-off]
//                    [--bench RUNS] [--bench-files N] [--bench-out FILE] [--bench-zoom] [--idle] [--blank]
// Properties it publishes (besides Mossbloom.Frame in test-input mode), set while it
// paints so that a test seeing a new frame reads that frame's values:
//   MossbloomTest.Started 1 ok / 2 failed · .State the PaintState painted · .Paints
//   .Cells the map's cells · .MapUpdates · .BitmapUploads (creations + refreshes)
//   .Hover the hovered cell + 1 · .ChromeReuses frames drawn over the kept picture
//   .Partial frames that drew and presented only their damaged rectangles
//   .Scheme · .Motion 1 while something moves
//   .Scanned the fixture's items (files + folders)
#include "paint_window.h"

#include "config/language.h"
#include "engine/format.h"
#include "engine/scan_driver.h"
#include "render/scale.h"
#include "render/win32/system_theme.h"
#include "render/win32/text.h"
#include "treemap/schemes.h"
#include "ui/pointer.h"
#include "ui/win32/text_measurer.h"
#include <shellapi.h>
#include <cwchar>

namespace {

PaintWindow gWindow;

constexpr UINT_PTR kMemoryTimer = 2, kScanTimer = 1, kMotionTimer = 8;

void setProperty(const wchar_t* name, intptr_t value) { SetPropW(gWindow.window, name, reinterpret_cast<HANDLE>(value)); }

void publish() {
  PaintWindow& w = gWindow;
  setProperty(L"MossbloomTest.State", static_cast<intptr_t>(w.options.state));
  setProperty(L"MossbloomTest.Paints", w.paints);
  setProperty(L"MossbloomTest.Cells", w.state.treemap ? static_cast<intptr_t>(w.state.treemap->rectCount) : 0);
  setProperty(L"MossbloomTest.MapUpdates", static_cast<intptr_t>(w.paint.map.updates));
  setProperty(L"MossbloomTest.BitmapUploads", static_cast<intptr_t>(w.paint.bitmap.creations + w.paint.bitmap.refreshes));
  setProperty(L"MossbloomTest.Hover", w.state.hoverCell + 1);
  setProperty(L"MossbloomTest.ChromeReuses", static_cast<intptr_t>(w.paint.chrome.reuses));
  setProperty(L"MossbloomTest.Partial", static_cast<intptr_t>(w.partialFrames));
  setProperty(L"MossbloomTest.Scheme", w.state.mapScheme);
  setProperty(L"MossbloomTest.Scanned", w.tree ? static_cast<intptr_t>(w.tree->fileCount + w.tree->folderCount) : 0);
}

void drawBlank(ID2D1DeviceContext* dc) { dc->Clear(d2dColor(currentTheme().colors.background)); }

void paint() {
  PaintWindow& w = gWindow;
  if (!w.painting) {
    ValidateRect(w.window, nullptr);
    return;
  }
  w.paints++;
  w.state.nowMs = nowMs();
  w.state.performance.memory = memoryCounters();
  relayoutTestWindow(w);
  FrameOptions options;
  options.publishFrameCounter = w.options.testInput;
  options.timing = &w.state.performance.frames;
  FrameDamage damage;
  options.damage = &damage;
  PaintMotion motion;
  paintWindow(w.window, w.resources, options,
              [&](ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
                double start = nowMs();
                if (w.options.blank) {
                  drawBlank(dc);
                  damage.whole = true;
                } else motion = paintMainWindow(w.paint, w.state, w.layout, dc, brush, width, height, &damage);
                w.lastFramePartial = !damage.whole;
                if (w.lastFramePartial) w.partialFrames++;
                w.lastDrawMs = nowMs() - start;
                setProperty(L"MossbloomTest.Motion", motion.any() ? 1 : 0);
                publish();
              });
  if (motion.any()) SetTimer(w.window, kMotionTimer, 15, nullptr);
  else KillTimer(w.window, kMotionTimer);
}

void started(bool succeeded) {
  PaintWindow& w = gWindow;
  joinThread(w.startThread);
  setProperty(L"MossbloomTest.Started", succeeded ? 1 : 2);
  if (!succeeded) {
    DestroyWindow(w.window);
    return;
  }
  w.painting = true;
  ShowWindow(w.window, w.options.testInput ? SW_SHOWNOACTIVATE : SW_SHOW);
  UpdateWindow(w.window);
  // As the main window: the memory figures once a second, and a repaint with them.
  if (w.options.benchRuns > 0) PostMessageW(w.window, kBenchMessage, 0, 0);
  else SetTimer(w.window, kMemoryTimer, 1000, nullptr);
}

void setState(PaintState state) {
  PaintWindow& w = gWindow;
  enterState(w, state);
  w.options.state = state;
  if (w.state.scan.scanning) SetTimer(w.window, kScanTimer, 50, nullptr);
  else KillTimer(w.window, kScanTimer);
  relayoutTestWindow(w);
  InvalidateRect(w.window, nullptr, FALSE);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PaintWindow& w = gWindow;
  switch (message) {
    case WM_PAINT: paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      if (w.window && wParam != SIZE_MINIMIZED) {
        PixelRect before = w.layout.content.map;
        relayoutTestWindow(w);
        if (before.width() != w.layout.content.map.width() || before.height() != w.layout.content.map.height())
          w.state.mapStale = true;
      }
      return 0;
    case kRendererStartedMessage: started(wParam != 0); return 0;
    case kStateMessage: setState(static_cast<PaintState>(wParam)); return 0;
    case kLayoutOutMessage: writeLayoutFile(w); return 0;
    case kBenchMessage:
      if (w.options.benchZoom) runZoomBench(w);
      else runPaintBench(w);
      return 0;
    case kSchemeMessage:
      w.state.mapScheme = static_cast<int32_t>(wParam);
      w.state.mapStale = true;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kHoverCellMessage:
      w.state.hoverCell = static_cast<int32_t>(static_cast<intptr_t>(wParam));
      invalidateHover(w);   // as the main window does
      return 0;
    case kFocusMessage: {
      ElementRef focus = elementFromCode(static_cast<int32_t>(wParam));
      w.state.focus = focus;
      w.state.focusVisible = focus.id != ElementId::None;
      w.state.windowHasFocus = true;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      Outcome outcome = pointerMove(w.state, w.layout, static_cast<int16_t>(LOWORD(lParam)),
                                    static_cast<int16_t>(HIWORD(lParam)));
      if (outcome.repaint || outcome.relayout) InvalidateRect(window, nullptr, FALSE);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kMemoryTimer && !w.options.blank) invalidatePart(w, statusRegion(w.layout, w.state.clientHeight));
      else if (wParam == kMemoryTimer || wParam == kScanTimer || wParam == kMotionTimer) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      releaseDeviceBound(w.resources);
      releaseMainPaint(w.paint);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::u16string wide16(const wchar_t* s) {
  std::u16string out;
  for (; *s; s++) out.push_back(static_cast<char16_t>(*s));
  return out;
}

PaintOptions parseOptions() {
  PaintOptions o;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; argv && i < count; i++) {
    std::wstring a = argv[i];
    bool more = i + 1 < count;
    if (a == L"--test-input") o.testInput = true;
    else if (a == L"--folder" && more) o.folder = wide16(argv[++i]);
    else if (a == L"--state" && more) o.state = static_cast<PaintState>(_wtoi(argv[++i]));
    else if (a == L"--size" && more) swscanf(argv[++i], L"%dx%d", &o.width, &o.height);
    else if (a == L"--theme" && more) {
      std::wstring t = argv[++i];
      o.themeOverride = t == L"dark" ? 1 : t == L"light" ? 0 : -1;
    } else if (a == L"--dpi" && more) o.dpi = static_cast<uint32_t>(_wtoi(argv[++i]));
    else if (a == L"--scheme" && more) o.scheme = std::max(0, findMapScheme(wide16(argv[++i])));
    else if (a == L"--layout-out" && more) o.layoutOut = argv[++i];
    else if (a == L"--bench" && more) o.benchRuns = _wtoi(argv[++i]);
    else if (a == L"--bench-files" && more) o.benchFiles = _wtoi64(argv[++i]);
    else if (a == L"--bench-out" && more) o.benchOut = argv[++i];
    else if (a == L"--bench-zoom") o.benchZoom = true;
    else if (a == L"--idle") o.idle = true;
    else if (a == L"--blank") o.blank = true;
    else if (a == L"--animations-off") o.animationsOff = true;
  }
  if (argv) LocalFree(argv);
  return o;
}

}  // namespace

void relayoutTestWindow(PaintWindow& w) {
  RECT client;
  GetClientRect(w.window, &client);
  if (client.right > 0 && client.bottom > 0) {
    w.state.clientWidth = client.right;
    w.state.clientHeight = client.bottom;
    RECT outer;
    GetWindowRect(w.window, &outer);
    w.state.outerWidth = outer.right - outer.left;
  }
  w.state.nowMs = nowMs();
  DirectWriteMeasurer measure(programTextStyles());
  w.layout = layoutWindow(w.state, measure);
}

void paintNow(PaintWindow& w) { RedrawWindow(w.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void paintPartNow(PaintWindow& w, const PixelRect& r) {
  RECT rect = {r.left, r.top, r.right, r.bottom};
  RedrawWindow(w.window, &rect, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void invalidateHover(PaintWindow& w) {
  HoverDamage damage = hoverDamage(w.paint, w.state, w.layout);
  for (int32_t i = 0; i < damage.count; i++) invalidatePart(w, damage.rects[i]);
}

void paintHoverNow(PaintWindow& w) {
  invalidateHover(w);
  UpdateWindow(w.window);
}

void invalidatePart(PaintWindow& w, const PixelRect& r) {
  RECT rect = {r.left, r.top, r.right, r.bottom};
  InvalidateRect(w.window, &rect, FALSE);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  PaintWindow& w = gWindow;
  w.instance = instance;
  w.options = parseOptions();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  loadLanguage(u"en");
  w.state.mapScheme = w.options.scheme;

  HANDLE windowCreated = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  w.start.resources = &w.resources;
  RenderStartRequest request;
  request.windowCreated = windowCreated;
  request.shared = &w.start;
  w.startThread = startRenderStart(request);

  WNDCLASSEXW windowClass = {sizeof windowClass};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kPaintWindowClass;
  RegisterClassExW(&windowClass);
  DWORD exStyle = w.options.testInput ? WS_EX_NOACTIVATE | WS_EX_APPWINDOW : 0;
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame = {0, 0, w.options.width, w.options.height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  w.window = CreateWindowExW(exStyle, kPaintWindowClass, L"Mossbloom paint test", style, 8, 8, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!w.window) return 1;
  setProgramDpi(w.options.dpi ? w.options.dpi : GetDpiForWindow(w.window));
  createTextStyles(programTextStyles(), programDpi());
  setCurrentTheme(computeSystemTheme(w.options.themeOverride, -1));
  applyThemeToWindow(w.window, currentTheme());
  attachMainPaint(w.paint, w.resources, instance);
  seedState(w);
  setState(w.options.state);
  w.start.window = w.window;
  SetEvent(windowCreated);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (w.startThread.handle) joinThread(w.startThread);
  CloseHandle(windowCreated);
  freeTree(w.tree);
  destroyTextStyles(programTextStyles());
  return 0;
}
