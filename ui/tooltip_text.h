// The texts of the main window's seven tooltip tools (their rectangles come from the
// layout): peak working set, frame rate, unreadable folders, the two size modes, the
// panel button and the status line.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/element_list.h"
#include "ui/view_state.h"
#include <string>

// The text of tool 1..7; an unknown tool gets tool 1's. `errorText` gives the reasons
// of unreadable folders (tool 3).
std::u16string tooltipText(const ViewState& s, int32_t tool, ErrorTextFunction errorText);
// Widest a tip may be, DIPs: the long lists get more room.
int32_t tooltipMaxWidth(int32_t tool);
