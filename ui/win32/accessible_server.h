// The Active Accessibility server of a self-drawn window: an IAccessible for
// OBJID_CLIENT whose children are the window's accessible elements (ui/element_list.h),
// rebuilt at every call, and the WinEvents that name those children. Elements that
// stand for a real control are not children: the control answers for itself.
//
// Threading: the window thread. The objects live in the window thread's
// single-threaded apartment; calls from other processes arrive through its message
// loop. An object may outlive its window: from then on every method answers
// RPC_E_DISCONNECTED and calls none of the callbacks.
#pragma once
#include "ui/element_list.h"
#include <windows.h>
#include <vector>

// What a window offers its server. The callbacks run on the window thread, only while
// the window exists, and `context` must stay valid as long as the window does.
struct AccessibleSource {
  void* context = nullptr;
  std::vector<AccessibleElement> (*build)(void* context) = nullptr;
  // Keyboard focus to the element with `code`; code 0 is the window itself.
  void (*focus)(void* context, int32_t code) = nullptr;
  // Whether the window itself holds the keyboard focus.
  bool (*hasFocus)(void* context) = nullptr;
  // The real control standing for an element, or null.
  HWND (*control)(void* context, ChildControl child) = nullptr;
  // Posted with an element code in wParam to run that element's command.
  UINT invokeMessage = 0;
};

// WM_GETOBJECT with OBJID_CLIENT: a new object for the window, handed to the caller.
// Zero when it cannot be made.
LRESULT answerAccessibleObject(HWND window, WPARAM wParam, const AccessibleSource& source);

// Where a WinEvent about the element with `code` points: the element's control with
// CHILDID_SELF, the element's child number on `window`, or CHILDID_SELF of `window`
// when the element is not listed.
struct AccessibleEventTarget {
  HWND window;
  LONG child;
};
AccessibleEventTarget accessibleEventTarget(HWND window, const AccessibleSource& source,
                                            const std::vector<AccessibleElement>& list, int32_t code);
void raiseAccessibleEvent(HWND window, const AccessibleSource& source, DWORD event, int32_t code);

// The elements that are children of the server, in order: child id = position + 1.
std::vector<int32_t> accessibleChildren(const std::vector<AccessibleElement>& list);

// A real control's accessible name (and description, when not empty), as a screen
// reader reads it, through the system's property services. False when the service
// is missing (as under older Wine); the control then keeps its default name.
bool setControlAccessibleName(HWND control, std::u16string_view name, std::u16string_view description = {});
