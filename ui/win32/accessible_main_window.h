// The main window's accessibility: its server's answers come from the portable
// element list of its current state; its WinEvents name the same children; its
// edit fields carry the names the list gives them.
//
// Threading: the window thread.
#pragma once
#include "ui/win32/main_window.h"

// WM_GETOBJECT: OBJID_CLIENT gets a new accessible object; anything else is left to
// the system (false).
bool answerAccessibleRequest(MainWindow& w, WPARAM wParam, LPARAM lParam, LRESULT& result);
// A WinEvent about the element with `code` (0 or unlisted: the window itself).
void announceElement(MainWindow& w, DWORD event, int32_t code);
// The names screen readers read for the edit fields, set once after they are made.
void nameEditFields(MainWindow& w);
