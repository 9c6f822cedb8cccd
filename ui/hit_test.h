// What lies under a point of the main window: an element (first match in a fixed
// order over the layout's rectangles) or, when none, a cell of the map.
//
// Threading: window thread.
#pragma once
#include "ui/element_id.h"
#include "ui/layout.h"
#include "ui/view_state.h"

// The element under (x, y) in client pixels; None when nothing interactive is there.
ElementRef elementAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);

// The map cell under (x, y): the first rectangle holding the point, or with a gap the
// nearest one at most the gap away on both axes; -1 without a tree, while scanning,
// outside the map area, or when the cells were laid out for another map size.
int32_t mapCellAt(const ViewState& s, const WindowLayout& layout, int32_t x, int32_t y);
