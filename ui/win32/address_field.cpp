// The address edit's own keys. The portable half decides (ui/address_field.h,
// ui/suggestions.h); this file reads the edit's text and forwards the keys.
//
// Threading: the window thread.
#include "ui/win32/address_field.h"

#include "ui/address_field.h"
#include "ui/suggestions.h"
#include "ui/win32/main_window.h"
#include <commctrl.h>

namespace {

constexpr UINT_PTR kAddressSubclassId = 33;

std::u16string editText(HWND edit) {
  int32_t length = GetWindowTextLengthW(edit);
  std::u16string out(static_cast<size_t>(length < 0 ? 0 : length) + 1, u'\0');
  int32_t got = GetWindowTextW(edit, reinterpret_cast<wchar_t*>(out.data()), length + 1);
  out.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return out;
}

// True when the key was the field's own.
bool addressKey(MainWindow& w, WPARAM key) {
  ViewState& s = w.state;
  Outcome out;
  const bool popup = popupOwnedBy(s, ElementId::AddressEdit);
  const int32_t highlight = s.suggestions.highlighted;
  switch (key) {
    case VK_TAB:
      if (!popup) return false;
      acceptSuggestion(s, highlight >= 0 ? highlight : 0, out);
      break;
    case VK_RETURN:
      if (popup && highlight >= 0) acceptSuggestion(s, highlight, out);
      else navigateAddress(s, editText(w.edits[3]), out);
      break;
    case VK_ESCAPE:
      if (popup) hideSuggestions(s, out);
      else hideAddress(s, out);
      break;
    case VK_UP:
    case VK_DOWN:
      if (popup) {
        moveHighlight(s.suggestions, key == VK_UP ? -1 : 1);
        out.repaint = true;
      }
      break;
    default: return false;
  }
  runOutcome(w, out);
  return true;
}

LRESULT CALLBACK addressProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  MainWindow& w = *reinterpret_cast<MainWindow*>(data);
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DefSubclassProc(edit, message, wParam, lParam);
    case WM_KEYDOWN:
      if (addressKey(w, wParam)) return 0;
      // Tab without the popup moves the focus as in the main window.
      if (wParam == VK_TAB) {
        SendMessageW(w.window, WM_KEYDOWN, wParam, lParam);
        return 0;
      }
      break;
    case WM_CHAR:
      // Their key-downs did the work: no beep, no tab character.
      if (wParam == L'\r' || wParam == L'\t' || wParam == 0x1B) return 0;
      break;
    case WM_KILLFOCUS: PostMessageW(w.window, kAddressBlurMessage, 0, 0); break;
    case WM_NCDESTROY: RemoveWindowSubclass(edit, addressProcedure, kAddressSubclassId); break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void attachAddressField(MainWindow& w) {
  SetWindowSubclass(w.edits[3], addressProcedure, kAddressSubclassId, reinterpret_cast<DWORD_PTR>(&w));
}

void onAddressChange(MainWindow& w) {
  if (!w.state.addressShown) return;
  Outcome out;
  addressTextChanged(w.state, editText(w.edits[3]), GetFocus() == w.edits[3], out);
  runOutcome(w, out);
}

void onAddressBlur(MainWindow& w, bool deactivated) {
  if (!deactivated && GetFocus() == w.edits[3]) return;
  Outcome out;
  hideAddress(w.state, out);
  runOutcome(w, out);
}

void hideAddressEdit(MainWindow& w) {
  HWND edit = w.edits[3];
  if (GetFocus() == edit) setKeyboardFocus(w, w.window);
  ShowWindow(edit, SW_HIDE);
}
