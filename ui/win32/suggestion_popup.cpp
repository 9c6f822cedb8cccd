// The completion popup under the types field (and the address field): a window
// that never takes the focus from its field, made once and then only placed,
// shown and hidden. What it lists, its highlight and its geometry are the portable
// suggestion code's (ui/suggestions.h); this draws them and passes the mouse on.
//
// Test properties on the main window (test-input mode): MossbloomTest.Popup (the
// item count while shown, else 0), .PopupHighlight (the highlighted item + 1) and
// the atom .PopupItems (the labels joined by '|').
//
// Threading: the window thread.
#include "render/win32/draw.h"
#include "ui/suggestions.h"
#include "ui/win32/main_window.h"
#include "ui/win32/ui_declarations.h"
#include "ui/win32/text_measurer.h"
#include <dwmapi.h>
#include <windowsx.h>

namespace {

constexpr wchar_t kPopupClass[] = L"MossbloomSuggest";

MainWindow* ownerOf(HWND popup) { return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(popup, GWLP_USERDATA)); }

HWND fieldWindow(const MainWindow& w, ElementId owner) {
  switch (owner) {
    case ElementId::TypesEdit: return w.edits[1];
    case ElementId::AddressEdit: return w.edits[3];
    default: return nullptr;
  }
}

void setProperty(HWND window, const wchar_t* name, int64_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
}

void publish(MainWindow& w) {
  if (!w.testInput) return;
  const SuggestionPopup& p = w.state.suggestions;
  const bool shown = w.suggestionPopup && IsWindowVisible(w.suggestionPopup);
  setProperty(w.window, L"MossbloomTest.Popup", shown ? static_cast<int64_t>(p.items.size()) : 0);
  setProperty(w.window, L"MossbloomTest.PopupHighlight", shown ? p.highlighted + 1 : 0);
  std::wstring labels;
  for (const Suggestion& item : p.items) {
    if (!labels.empty()) labels += L'|';
    labels.append(item.label.begin(), item.label.end());
  }
  if (!shown) labels.clear();
  labels.resize(std::min<size_t>(labels.size(), 255));
  ATOM old = static_cast<ATOM>(reinterpret_cast<uintptr_t>(GetPropW(w.window, L"MossbloomTest.PopupItems")));
  ATOM atom = labels.empty() ? 0 : GlobalAddAtomW(labels.c_str());
  SetPropW(w.window, L"MossbloomTest.PopupItems", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(atom)));
  if (old) GlobalDeleteAtom(old);
}

void paintPopup(MainWindow& w, ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
  const ViewState& s = w.state;
  const ThemeColors& colors = currentTheme().colors;
  Canvas c{dc, brush, &programTextStyles(), static_cast<uint32_t>(s.dpi)};
  dc->SetTransform(D2D1::IdentityMatrix());
  fillRect(c, {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)}, colors.background);
  DirectWriteMeasurer measure(programTextStyles());
  for (int32_t i = 0; i < static_cast<int32_t>(s.suggestions.items.size()); i++) {
    const Suggestion& item = s.suggestions.items[i];
    SuggestionRowLayout row = suggestionRowLayout(item, i, static_cast<int32_t>(width), s.dpi, measure);
    if (i == s.suggestions.highlighted) {
      fillRoundedRect(c, row.row, 4, colors.surfaceHover);
      fillRoundedRect(c, row.accentBar, 1.5f, colors.accent);
    }
    drawText(c, item.label, row.label, TextStyle::Body, colors.text);
    if (!item.detail.empty()) drawText(c, item.detail, row.detail, TextStyle::Caption, colors.secondaryText, kTextTrailing);
  }
}

LRESULT CALLBACK popupProcedure(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* w = ownerOf(popup);
  if (!w) return DefWindowProcW(popup, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      paintWindow(popup, w->popupResources, FrameOptions{},
                  [&](ID2D1DeviceContext* dc, ID2D1SolidColorBrush* brush, uint32_t width, uint32_t height) {
                    paintPopup(*w, dc, brush, width, height);
                  });
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
      if (suggestionPointerMoved(w->state, GET_Y_LPARAM(lParam))) {
        InvalidateRect(popup, nullptr, FALSE);
        publish(*w);
      }
      return 0;
    case WM_LBUTTONDOWN: {
      Outcome out = suggestionClicked(w->state, GET_Y_LPARAM(lParam));
      runOutcome(*w, out);
      return 0;
    }
    case WM_DESTROY: releaseDeviceBound(w->popupResources); break;
  }
  return DefWindowProcW(popup, message, wParam, lParam);
}

HWND createPopup(MainWindow& w) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW popupClass = {sizeof popupClass};
    popupClass.style = CS_DROPSHADOW;
    popupClass.lpfnWndProc = popupProcedure;
    popupClass.hInstance = w.instance;
    popupClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    popupClass.lpszClassName = kPopupClass;
    registered = RegisterClassExW(&popupClass) != 0;
    if (!registered) return nullptr;
  }
  HWND popup = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kPopupClass, L"", WS_POPUP, 0, 0, 0, 0, w.window,
                               nullptr, w.instance, nullptr);
  if (!popup) return nullptr;
  SetWindowLongPtrW(popup, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&w));
  DWORD round = kDwmCornerRound;
  DwmSetWindowAttribute(popup, kDwmWindowCornerPreference, &round, sizeof round);
  return popup;
}

}  // namespace

void showSuggestionPopup(MainWindow& w) {
  const SuggestionPopup& p = w.state.suggestions;
  HWND field = fieldWindow(w, p.owner);
  if (p.items.empty() || !field) {
    hideSuggestionPopup(w);
    return;
  }
  if (!w.suggestionPopup) w.suggestionPopup = createPopup(w);
  if (!w.suggestionPopup) return;
  const uint32_t rgb = currentTheme().colors.stroke;
  COLORREF border = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  DwmSetWindowAttribute(w.suggestionPopup, kDwmBorderColor, &border, sizeof border);
  // Under the field's frame as the window lays it out.
  PixelRect owner = p.owner == ElementId::TypesEdit ? w.layout.typesField : w.layout.addressEdit;
  PixelRect at = suggestionPopupRect(owner, static_cast<int32_t>(p.items.size()), w.state.dpi);
  POINT topLeft = {at.left, at.top};
  ClientToScreen(w.window, &topLeft);
  SetWindowPos(w.suggestionPopup, HWND_TOP, topLeft.x, topLeft.y, at.width(), at.height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(w.suggestionPopup, nullptr, FALSE);
  publish(w);
}

void hideSuggestionPopup(MainWindow& w) {
  if (w.suggestionPopup && IsWindowVisible(w.suggestionPopup)) ShowWindow(w.suggestionPopup, SW_HIDE);
  publish(w);
}

void refreshSuggestionPopup(MainWindow& w) {
  if (!w.suggestionPopup || !IsWindowVisible(w.suggestionPopup)) return;
  InvalidateRect(w.suggestionPopup, nullptr, FALSE);
  publish(w);
}
