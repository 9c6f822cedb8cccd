// Mouse and keys: system messages turned into the portable pointer and keyboard
// transitions (ui/pointer.h, ui/keyboard.h), plus what needs the system itself:
// client coordinates for the wheel, leave tracking, the capture, the cursor.
//
// Threading: the window thread.
#include "ui/keyboard.h"
#include "ui/navigation.h"
#include "ui/pointer.h"
#include "ui/win32/main_window.h"
#include <windowsx.h>

namespace {

void run(MainWindow& w, Outcome out) { runOutcome(w, out); }

void trackLeave(MainWindow& w) {
  if (w.trackingLeave) return;
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, w.window, 0};
  w.trackingLeave = TrackMouseEvent(&track) != FALSE;
}

// In test-input mode only synthetic moves count: a move where the real pointer is
// belongs to whoever uses the machine meanwhile.
bool isRealMove(const MainWindow& w, LPARAM lParam) {
  POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(w.window, &p);
  DWORD at = GetMessagePos();
  return p.x == GET_X_LPARAM(static_cast<LPARAM>(at)) && p.y == GET_Y_LPARAM(static_cast<LPARAM>(at));
}

}  // namespace

Key keyOf(WPARAM vk) {
  switch (vk) {
    case VK_ESCAPE: return Key::Escape;
    case VK_TAB: return Key::Tab;
    case VK_LEFT: return Key::Left;
    case VK_RIGHT: return Key::Right;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_BACK: return Key::Backspace;
    case VK_RETURN: return Key::Enter;
    case VK_SPACE: return Key::Space;
    case VK_DELETE: return Key::Delete;
    case 'A': return Key::A;
    case 'E': return Key::E;
    case 'L': return Key::L;
    case 'D': return Key::D;
    case '1': return Key::Digit1;
    case '2': return Key::Digit2;
    case '3': return Key::Digit3;
    case VK_F1: return Key::F1;
    case VK_F4: return Key::F4;
    case VK_F5: return Key::F5;
    default: return Key::Other;
  }
}

namespace {

KeyModifiers modifiers(bool alt) {
  return {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, alt};
}

bool ensureLayout(MainWindow& w) {
  if (!w.layoutValid) relayout(w);
  refreshInputs(w);
  return w.layoutValid;
}

}  // namespace

bool handleInput(MainWindow& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const int32_t x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_MOUSEMOVE: {
      if (w.testInput && isRealMove(w, lParam)) return true;
      if (!ensureLayout(w)) return true;
      trackLeave(w);
      const ElementRef hoverBefore = w.state.hover;
      const int32_t cellBefore = w.state.hoverCell;
      Outcome out = pointerMove(w.state, w.layout, x, y);
      if (w.state.pressed.id == ElementId::Splitter) SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
      // From one map cell to another only the outlines and the status bar change.
      if (out.repaint && !out.relayout && out.effects.empty() && w.state.hover == hoverBefore &&
          w.state.pressed.id == ElementId::None && w.state.hoverCell != cellBefore) {
        out.repaint = false;
        repaintHoverParts(w);
      }
      run(w, std::move(out));
      return true;
    }
    case WM_LBUTTONDOWN:
      if (ensureLayout(w)) run(w, pointerDown(w.state, w.layout, x, y));
      return true;
    case WM_LBUTTONUP:
      if (ensureLayout(w)) run(w, pointerUp(w.state, w.layout, x, y));
      return true;
    case WM_LBUTTONDBLCLK:
      if (ensureLayout(w)) run(w, doubleClick(w.state, w.layout, x, y));
      return true;
    case WM_MOUSEWHEEL: {
      POINT p = {x, y};   // screen coordinates
      ScreenToClient(w.window, &p);
      if (ensureLayout(w)) run(w, wheel(w.state, w.layout, p.x, p.y, GET_WHEEL_DELTA_WPARAM(wParam)));
      return true;
    }
    case WM_XBUTTONUP:
      if (GET_XBUTTON_WPARAM(wParam) != XBUTTON1) return false;
      run(w, backButton(w.state));
      result = TRUE;
      return true;
    case WM_MOUSELEAVE:
      w.trackingLeave = false;
      run(w, pointerLeave(w.state));
      return true;
    case WM_CAPTURECHANGED:
      // A capture that stays here, or any change in test-input mode (a click of the
      // machine's user), ends nothing.
      if (reinterpret_cast<HWND>(lParam) == w.window || w.testInput) return true;
      run(w, captureLost(w.state));
      return true;
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wParam) != w.window || LOWORD(lParam) != HTCLIENT || !w.layoutValid) return false;
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(w.window, &p);
      PointerShape shape = pointerShapeAt(w.state, w.layout, p.x, p.y);
      if (shape == PointerShape::Arrow) return false;
      SetCursor(LoadCursorW(nullptr, shape == PointerShape::Hand ? IDC_HAND : IDC_SIZEWE));
      result = TRUE;
      return true;
    }
    case WM_APPCOMMAND:
      if (GET_APPCOMMAND_LPARAM(lParam) != APPCOMMAND_BROWSER_BACKWARD) return false;
      {
        Outcome out;
        goUp(w.state, false, out);
        run(w, std::move(out));
      }
      result = 1;
      return true;
    case WM_KEYDOWN:
      if (ensureLayout(w)) run(w, keyDown(w.state, w.layout, keyOf(wParam), modifiers(false)));
      return true;
    case WM_SYSKEYDOWN:
      // Alt+D is the address; every other Alt key stays the system's (the menu, Alt+F4).
      if (wParam != 'D') return false;
      if (ensureLayout(w)) run(w, keyDown(w.state, w.layout, Key::D, modifiers(true)));
      return true;
    case WM_KEYUP:
      if (ensureLayout(w)) run(w, keyUp(w.state, w.layout, keyOf(wParam)));
      return true;
  }
  return false;
}
