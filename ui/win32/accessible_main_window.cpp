// The main window's side of the accessibility server: its element list rebuilt from
// the window state at every call, focus through the portable focus rules, and the
// real controls that stand for elements.
//
// Threading: the window thread.
#include "ui/win32/accessible_main_window.h"

#include "config/language.h"
#include "platform/text.h"
#include "ui/focus_order.h"
#include "ui/win32/accessible_server.h"
#include <commctrl.h>

namespace {

MainWindow& windowOf(void* context) { return *static_cast<MainWindow*>(context); }

std::vector<AccessibleElement> buildList(void* context) {
  MainWindow& w = windowOf(context);
  if (!w.layoutValid) relayout(w);
  refreshInputs(w);
  return buildElementList(w.state, w.layout, systemErrorText);
}

void focusCode(void* context, int32_t code) {
  MainWindow& w = windowOf(context);
  if (code == 0) {
    setKeyboardFocus(w, w.window);
    repaint(w);
    return;
  }
  ElementRef element = elementFromCode(code);
  if (element.id == ElementId::None) return;
  if (!w.layoutValid) relayout(w);
  Outcome out;
  focusElement(w.state, w.layout, element, out);
  runOutcome(w, out);
}

bool hasFocus(void* context) { return windowOf(context).state.windowHasFocus; }

// The shown list view; the lists keep their own handles, this needs only the visible one.
HWND shownListView(HWND window) {
  for (HWND child = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr); child;
       child = FindWindowExW(window, child, WC_LISTVIEWW, nullptr))
    if (IsWindowVisible(child)) return child;
  return nullptr;
}

HWND controlOf(void* context, ChildControl child) {
  MainWindow& w = windowOf(context);
  switch (child) {
    case ChildControl::SearchEdit: return w.edits[0];
    case ChildControl::TypesEdit: return w.edits[1];
    case ChildControl::SizeEdit: return w.edits[2];
    case ChildControl::AddressEdit: return w.edits[3];
    case ChildControl::ListView: return shownListView(w.window);
    case ChildControl::None: break;
  }
  return nullptr;
}

AccessibleSource sourceOf(MainWindow& w) {
  AccessibleSource source;
  source.context = &w;
  source.build = buildList;
  source.focus = focusCode;
  source.hasFocus = hasFocus;
  source.control = controlOf;
  source.invokeMessage = kElementInvokeMessage;
  return source;
}

}  // namespace

bool answerAccessibleRequest(MainWindow& w, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // The object id arrives as a 32-bit value, sign-extended or not.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
  result = answerAccessibleObject(w.window, wParam, sourceOf(w));
  return true;
}

void announceElement(MainWindow& w, DWORD event, int32_t code) {
  raiseAccessibleEvent(w.window, sourceOf(w), event, code);
}

void nameEditFields(MainWindow& w) {
  const Text names[4] = {Text::SearchNames, Text::FileTypes, Text::LargerThan_78, Text::Address};
  for (int i = 0; i < 4; i++)
    if (w.edits[i]) setControlAccessibleName(w.edits[i], text(names[i]));
}
