// The first show of the main window once Direct2D has started, and the focus
// rules: a window started from a script, or while the user types elsewhere,
// never takes the foreground; in test-input mode the program never steals it.
//
// Threading: the window thread.
#include "config/language.h"
#include "render/start_log.h"
#include "ui/win32/main_window.h"

namespace {

void setProperty(HWND window, const wchar_t* name, uintptr_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}

// Shows the window without taking the foreground from the window that has it, and
// leaves this one just below it.
void showWithoutActivation(MainWindow& w, int32_t command) {
  if (command == SW_SHOWMINIMIZED || command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE) {
    ShowWindow(w.window, SW_SHOWMINNOACTIVE);
    return;
  }
  HWND foreground = GetForegroundWindow();
  bool locked = LockSetForegroundWindow(LSFW_LOCK) != FALSE;
  int32_t show = w.testInput                       ? SW_SHOWNOACTIVATE
                 : command == SW_SHOWNA            ? SW_SHOWNA
                 : command == SW_SHOWMAXIMIZED     ? SW_SHOWMAXIMIZED
                                                   : SW_SHOWNOACTIVATE;
  ShowWindow(w.window, show);
  if (locked) LockSetForegroundWindow(LSFW_UNLOCK);
  if (foreground && foreground != w.window && !(GetWindowLongPtrW(foreground, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
    const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
    SetWindowPos(w.window, HWND_BOTTOM, 0, 0, 0, 0, flags);
    SetWindowPos(w.window, foreground, 0, 0, 0, 0, flags);
  }
  UpdateWindow(w.window);
}

void showActivated(MainWindow& w) {
  ShowWindow(w.window, w.showCommand);
  UpdateWindow(w.window);
}

void firstShow(MainWindow& w) {
  if (w.testInput) {
    setProperty(w.window, L"Mossbloom.StartFocus", 2);
    showWithoutActivation(w, w.showCommand);
  } else if (w.activate) {
    setProperty(w.window, L"Mossbloom.StartFocus", 1);
    showActivated(w);
  } else if (!w.launchedInteractively) {
    setProperty(w.window, L"Mossbloom.StartFocus", 2);
    showWithoutActivation(w, w.showCommand);
  } else {
    setProperty(w.window, L"Mossbloom.StartFocus", w.inputSeenAtStart ? 2 : 1);
    if (w.inputSeenAtStart) showWithoutActivation(w, w.showCommand);
    else showActivated(w);
  }
}

}  // namespace

void onRendererStarted(MainWindow& w, bool succeeded) {
  joinThread(w.renderThread);
  if (!succeeded) {
    if (!w.testInput) {
      std::u16string message = startFailureText(text(Text::MossbloomCouldNotStartDirect2DWhich),
                                                w.renderStart.failure.step,
                                                static_cast<uint32_t>(w.renderStart.failure.code));
      MessageBoxW(w.window, reinterpret_cast<const wchar_t*>(message.c_str()), L"Mossbloom", MB_ICONERROR);
    }
    DestroyWindow(w.window);
    return;
  }
  w.painting = true;
  w.state.performance.startupMs = processUptimeMs();
  relayout(w);
  RAWINPUTDEVICE devices[2] = {{1, 2, RIDEV_REMOVE, nullptr}, {1, 6, RIDEV_REMOVE, nullptr}};
  RegisterRawInputDevices(devices, 2, sizeof devices[0]);
  firstShow(w);
}

bool mayTakeFocus(const MainWindow& w) {
  if (!w.testInput) return true;
  DWORD owner = 0;
  HWND foreground = GetForegroundWindow();
  if (foreground) GetWindowThreadProcessId(foreground, &owner);
  return foreground && owner == GetCurrentProcessId();
}

void setKeyboardFocus(MainWindow& w, HWND target) {
  if (mayTakeFocus(w)) SetFocus(target);
  // In test-input mode the window may not take the focus; with none anywhere, it
  // counts as focused so that keys posted to it behave as typed.
  w.state.windowHasFocus = GetFocus() == w.window || (w.testInput && target == w.window && !GetFocus());
}
