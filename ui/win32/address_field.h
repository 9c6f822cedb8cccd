// The address field (w.edits[3]) on Windows: its keys, its text changes and hiding it.
//
// Threading: the window thread.
#pragma once
#include <windows.h>

struct MainWindow;

// Subclasses the address edit for Enter, Esc, Tab, Up and Down and the focus loss
// (once, after the edits are created).
void attachAddressField(MainWindow& w);
// EN_CHANGE of the address edit: the completions for its text.
void onAddressChange(MainWindow& w);
// kAddressBlurMessage, WM_ACTIVATEAPP leaving: hides the field unless the focus came back.
void onAddressBlur(MainWindow& w, bool deactivated);
// The HideAddressEdit effect: the state already says hidden.
void hideAddressEdit(MainWindow& w);
