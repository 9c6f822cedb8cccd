// The sidebar's width (dragging the splitter, arrow keys, reset, saving) and the
// drive list's scroll position.
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/layout.h"
#include "ui/view_state.h"

// width 0 means automatic; other widths are limited to 220 … the layout's largest.
// Nothing happens when the setting stays the same.
void setSidebarWidth(ViewState& s, const SidebarLayout& current, int32_t width, bool fromDragging, Outcome& out);
// The `sidebarWidth` setting: the width in decimal, or empty for automatic.
void saveSidebarWidth(const ViewState& s, Outcome& out);
void resetSidebarWidth(ViewState& s, const SidebarLayout& current, Outcome& out);
// Left and Right on the focused splitter: 16 DIPs narrower or wider, then saved.
void stepSidebarWidth(ViewState& s, const SidebarLayout& current, int32_t step, Outcome& out);

// Scrolls the drive list by `pixels` (positive: further down), within its range.
void scrollDrives(ViewState& s, const SidebarLayout& current, int32_t pixels);
// Scrolls just enough to show the whole row, its top edge first.
void scrollDriveIntoView(ViewState& s, const SidebarLayout& current, int32_t index);
