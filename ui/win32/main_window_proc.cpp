// The main window procedure: which message goes where. The handlers live in the
// other main_window_*.cpp files; this file only routes.
//
// Threading: the window thread.
#include "render/win32/system_theme.h"
#include "render/scale.h"
#include "ui/commands.h"
#include "ui/navigation.h"
#include "ui/suggestions.h"
#include "ui/win32/accessible_main_window.h"
#include "ui/win32/address_field.h"
#include "ui/win32/main_window.h"
#include <commctrl.h>
#include <cwchar>

namespace {

MainWindow* windowOf(HWND window) { return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// Whatever work runs ends here: the window closes, the session ends, or a new scan
// replaces it. Joins before returning, so no worker outlives what it writes.
void stopWorkers(MainWindow& w) {
  cancelExport(w, true);
  Outcome out;
  if (w.state.review.deletionRunning) out.add(EffectKind::CancelDeletion);
  runOutcome(w, out);
}

void onDestroy(MainWindow& w) {
  stopWorkers(w);
  saveWindowPlacement(w);
  RemovePropW(w.window, L"Mossbloom.Info");
  RemovePropW(w.window, L"Mossbloom.PolicyGen");
  cancelScanThread(w);
  w.state.scan.scanning = w.state.scan.stopping = false;
  if (w.renderThread.handle) joinThread(w.renderThread);
  tearDownMapOverlay(w.overlay, w.window);
  releaseDeviceBound(w.resources);
  releaseMainPaint(w.paint);
  PostQuitMessage(0);
}

void onTimer(MainWindow& w, UINT_PTR id) {
  switch (id) {
    case kMemoryTimer:
      // The figures show only in the status bar and the performance panel.
      w.state.performance.memory = memoryCounters();
      repaintStatusRegion(w);
      return;
    case kResizeTimer:
      KillTimer(w.window, kResizeTimer);
      w.state.resizing = false;
      relayout(w);
      break;
    case kFilterTimer:
      KillTimer(w.window, kFilterTimer);
      applyFilters(w);
      break;
    case kPanelTimer:
      if (nowMs() - w.panelAnimationStart >= 220) {
        KillTimer(w.window, kPanelTimer);
        if (w.state.panelClosing) {
          Outcome out;
          finishPanelFold(w.state, out);
          runOutcome(w, out);
        }
      }
      break;
    case kUpdateTimer:
      // The update scheduler comes with the update flow; until then it checks hourly for
      // nothing, and nothing on the screen changes: no repaint.
      SetTimer(w.window, kUpdateTimer, 3600000, nullptr);
      return;
    case kOverlayTimerId: tickMapOverlay(w.overlay, w.window, mapAnimationRunning(w)); return;
    case kLavaTimer: onLavaTimer(w); return;
    case kTransitionTimer: onTransitionTimer(w); return;
    default: break;
  }
  repaint(w);
}

void onSystemCommand(MainWindow& w, WPARAM command) {
  Outcome out;
  switch (command & 0xFFF0) {
    case 16: out.add(EffectKind::ShowAbout); break;
    case 48: out.add(EffectKind::OpenExportDialog); break;
    case 64: out.add(EffectKind::OpenSettings); break;
  }
  runOutcome(w, out);
}

// The system sends these to every window and waits for each: the work runs after
// the answer, from a message of our own.
LRESULT onSettingChange(MainWindow& w, LPARAM lParam) {
  const wchar_t* area = reinterpret_cast<const wchar_t*>(lParam);
  if (area && std::wcscmp(area, L"Policy") == 0) PostMessageW(w.window, kSettingChangedMessage, 1, 0);
  else if (area && std::wcscmp(area, L"ImmersiveColorSet") == 0) PostMessageW(w.window, kSettingChangedMessage, 2, 0);
  return 0;
}

void onSettingChanged(MainWindow& w, WPARAM what) {
  if (what == 1) {
    onPolicyChange(w);
  } else {
    applyTheme(w);
    RedrawWindow(w.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

LRESULT onCtlColorEdit(MainWindow& w, HDC dc) {
  const ThemeColors& c = currentTheme().colors;
  auto colorRef = [](uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); };
  if (!w.editBrush || w.editBrushColor != c.control) {
    if (w.editBrush) DeleteObject(w.editBrush);
    w.editBrush = CreateSolidBrush(colorRef(c.control));
    w.editBrushColor = c.control;
  }
  SetTextColor(dc, colorRef(c.text));
  SetBkColor(dc, colorRef(c.control));
  return reinterpret_cast<LRESULT>(w.editBrush);
}

void onCommand(MainWindow& w, WPARAM wParam) {
  int32_t id = LOWORD(wParam);
  if (id >= kSearchEditId && id <= kSizeEditId) onFilterEditCommand(w, id, HIWORD(wParam));
  if (HIWORD(wParam) == EN_CHANGE && id == kAddressEditId) onAddressChange(w);
}

// The popup stays under its field only while the window stands still and is active.
void dropSuggestions(MainWindow& w) {
  Outcome out;
  hideSuggestions(w.state, out);
  runOutcome(w, out);
}

void onInitMenuPopup(MainWindow& w, HMENU menu) {
  if (menu != GetSystemMenu(w.window, FALSE)) return;
  bool exportable = hasTree(w.state) && !w.state.exporting.running && !w.state.scan.scanning;
  EnableMenuItem(menu, 48, MF_BYCOMMAND | (exportable ? MF_ENABLED : MF_GRAYED));
}

void onElementInvoke(MainWindow& w, WPARAM code) {
  ElementRef element = elementFromCode(static_cast<int32_t>(code));
  if (element.id == ElementId::None) return;
  Outcome out = invokeElement(w.state, w.layout, element);
  runOutcome(w, out);
}

LRESULT dispatch(MainWindow& w, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  // Every decision reads the clock from the state (scan start, elapsed time, animations).
  w.state.nowMs = nowMs();
  if (handleInput(w, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_CREATE: onCreate(w); return 0;
    case WM_DESTROY: onDestroy(w); return 0;
    case WM_SIZE:
      dropSuggestions(w);
      onSize(w, wParam);
      return 0;
    case WM_MOVE: dropSuggestions(w); return 0;
    case WM_SETFOCUS: {
      w.state.windowHasFocus = true;
      Outcome out;
      out.add(EffectKind::AnnounceFocus);
      out.repaint = true;
      runOutcome(w, out);
      return 0;
    }
    case WM_KILLFOCUS:
      w.state.windowHasFocus = false;
      repaint(w);
      return 0;
    case WM_PAINT: onPaint(w); return 0;
    case WM_GETOBJECT:
      if (answerAccessibleRequest(w, wParam, lParam, result)) return result;
      break;
    case WM_ERASEBKGND: return 1;
    case WM_ENDSESSION:
      if (wParam) {
        stopWorkers(w);
        saveWindowPlacement(w);
      }
      return 0;
    case WM_ACTIVATEAPP:
      if (!wParam) dropSuggestions(w);
      if (!wParam) onAddressBlur(w, true);
      break;
    case WM_SETTINGCHANGE: return onSettingChange(w, lParam);
    case WM_DWMCOLORIZATIONCOLORCHANGED: PostMessageW(window, kSettingChangedMessage, 2, 0); return 0;
    case kSettingChangedMessage: onSettingChanged(w, wParam); return 0;
    case WM_DPICHANGED: onDpiChanged(w, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      uint32_t dpi = w.window ? GetDpiForWindow(window) : GetDpiForSystem();
      info->ptMinTrackSize = {scaleDip(960, dpi), scaleDip(640, dpi)};
      return 0;
    }
    case WM_EXITSIZEMOVE:
      if (w.state.resizing) {
        KillTimer(window, kResizeTimer);
        w.state.resizing = false;
        relayout(w);
        repaint(w);
      }
      return 0;
    case WM_INPUT: {
      RAWINPUT input;
      UINT size = sizeof input;
      if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &input, &size, sizeof(RAWINPUTHEADER)) !=
          static_cast<UINT>(-1)) {
        if (input.header.dwType == RIM_TYPEMOUSE && (input.data.mouse.usButtonFlags & 0x0D55)) w.inputSeenAtStart = true;
        if (input.header.dwType == RIM_TYPEKEYBOARD && !(input.data.keyboard.Flags & RI_KEY_BREAK))
          w.inputSeenAtStart = true;
      }
      break;
    }
    case WM_COMMAND: onCommand(w, wParam); return 0;
    case WM_NOTIFY: {
      LRESULT answer = 0;
      if (onListNotify(w, reinterpret_cast<NMHDR*>(lParam), answer)) return answer;
      if (reinterpret_cast<NMHDR*>(lParam)->hwndFrom == w.tooltip &&
          reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOW)
        return answerTooltipText(w, lParam);
      break;
    }
    case WM_CTLCOLOREDIT: return onCtlColorEdit(w, reinterpret_cast<HDC>(wParam));
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == 16 || (wParam & 0xFFF0) == 48 || (wParam & 0xFFF0) == 64) {
        onSystemCommand(w, wParam);
        return 0;
      }
      break;
    case WM_INITMENUPOPUP: onInitMenuPopup(w, reinterpret_cast<HMENU>(wParam)); break;
    case WM_TIMER: onTimer(w, wParam); return 0;
    case kScanDoneMessage: onScanDone(w, static_cast<uint32_t>(wParam)); return 0;
    case kExportDoneMessage: onExportDone(w, static_cast<uint32_t>(wParam)); return 0;
    case kScanRequestMessage:
      onScanRequest(w, static_cast<int32_t>(wParam), reinterpret_cast<ScanRequestText*>(lParam));
      return 0;
    case kAddressBlurMessage: onAddressBlur(w, false); return 0;
    case kElementInvokeMessage: onElementInvoke(w, wParam); return 0;
    case kDeleteProgressMessage: onDeletionProgress(w, wParam, lParam); return 0;
    case kRendererStartedMessage: onRendererStarted(w, wParam != 0); return 0;
    case kComposeFrameMessage: onComposeFrame(w); return 0;
    case kTestSchemeMessage:
      if (w.testInput) changeMapScheme(w, static_cast<int32_t>(wParam));
      return 0;
    case kTestTransitionSlowdownMessage:
      if (w.testInput && wParam >= 1 && wParam <= 100) w.paint.transitions.slowdown = static_cast<double>(wParam);
      return 0;
    case kTestDpiChangeMessage: {
      if (!w.testInput || wParam < 48 || wParam > 960) break;
      RECT r;
      GetWindowRect(window, &r);
      uint32_t old = static_cast<uint32_t>(w.state.dpi);
      RECT suggested = {r.left, r.top, r.left + MulDiv(r.right - r.left, static_cast<int>(wParam), static_cast<int>(old)),
                        r.top + MulDiv(r.bottom - r.top, static_cast<int>(wParam), static_cast<int>(old))};
      onDpiChanged(w, static_cast<uint32_t>(wParam), suggested);
      return 0;
    }
  }
  // The unused private messages up to WM_APP + 22 go to the system like any other.
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* w = windowOf(window);
  if (message == WM_NCCREATE) {
    w = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    w->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  }
  if (!w) return DefWindowProcW(window, message, wParam, lParam);
  return dispatch(*w, window, message, wParam, lParam);
}
