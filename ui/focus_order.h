// Keyboard focus over the element list: focusing one element, Tab and Shift+Tab over
// the focus stops, arrow keys within a group, and arrow keys between map cells.
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/element_list.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include <vector>

// The list's focusable elements in order (at most 256); a group gives one stop: its
// selected or checked member, else its first focusable one. Indices into `list`.
std::vector<int32_t> focusStops(const std::vector<AccessibleElement>& list);

// Gives `element` the keyboard focus: the map its focused cell, edits and the list
// their own window, a drive scrolled into view (keyboard only), anything else the
// main window.
void focusElement(ViewState& s, const WindowLayout& layout, ElementRef element, Outcome& out,
                  bool scrollIntoView = true);

// Tab (or Shift+Tab with `backward`): the next stop after the one holding the focus,
// wrapping. Focus on an element that is no stop moves to the stop after (before) it;
// without any focus, to the first (last).
void moveFocus(ViewState& s, const WindowLayout& layout, bool backward, Outcome& out);

// Left/Up (-1) or Right/Down (+1) within the focused element's group; radio buttons
// and tabs also run their command, except a fast scan that would restart the program.
void groupMove(ViewState& s, const WindowLayout& layout, int32_t step, Outcome& out);

// An arrow key in the map: the cell whose centre lies nearest in that direction,
// sideways distance counting twice. (dx, dy) is one of (±1, 0), (0, ±1).
void spatialMove(ViewState& s, int32_t dx, int32_t dy, Outcome& out);

constexpr size_t kMaxFocusStops = 256;
