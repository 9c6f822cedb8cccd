// The main window's keys while it holds the keyboard focus itself (edits and lists
// have their own): Esc, Tab, arrows, Enter, Space, Backspace, Delete and the shortcuts.
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/layout.h"
#include "ui/view_state.h"

enum class Key : uint8_t {
  Escape, Tab, Left, Right, Up, Down, Backspace, Enter, Space, Delete,
  A, E, L, D, Digit1, Digit2, Digit3, F1, F4, F5, Other,
};
struct KeyModifiers {
  bool ctrl = false, shift = false, alt = false;
};

Outcome keyDown(ViewState& s, const WindowLayout& layout, Key key, KeyModifiers modifiers);
// Space runs the focused element's command when it comes up (the map excepted).
Outcome keyUp(ViewState& s, const WindowLayout& layout, Key key);
