// The mouse over the main window: press, move (hover, dragging a switch's knob or the
// splitter), release (the command runs when released on the pressed element), double
// click, wheel, the back button, leaving the window and losing the capture.
//
// Threading: window thread. Points are client pixels; `layout` is the current one.
#pragma once
#include "ui/effects.h"
#include "ui/layout.h"
#include "ui/view_state.h"

Outcome pointerDown(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);
Outcome pointerMove(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);
Outcome pointerUp(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);
// On the splitter: reset the width; on a map cell: zoom into its target; elsewhere a
// press, so quick clicks on buttons are not lost.
Outcome doubleClick(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);
// Over the drive list: scroll it; over the map: zoom in per +120, go up per -120.
Outcome wheel(ViewState& s, const WindowLayout& layout, int32_t x, int32_t y, int32_t delta);
Outcome backButton(ViewState& s);
Outcome pointerLeave(ViewState& s);
// The capture went to another window: drags end without running a command.
Outcome captureLost(ViewState& s);

// The pointer's shape at a point: the hand over the performance header, the sizing
// arrows over the splitter and while it is dragged, else the class arrow.
enum class PointerShape : uint8_t { Arrow, Hand, SizeWestEast };
PointerShape pointerShapeAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);

// Whether an element is a segmented switch's option, and its switch disabled.
bool isSwitchOption(ElementId id);
bool switchDisabled(const ViewState& s, ElementId id);
