// The one dispatcher every painted element ends in: the mouse, the keyboard, screen
// readers and the cards all run an element's command through invokeElement. The
// decision is portable: it changes the ViewState and lists the effects the Windows
// side carries out.
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/element_id.h"
#include "ui/layout.h"
#include "ui/view_state.h"

// Runs the command of `element` (sub-index as painted). Ids the review ignores do
// nothing there, without a repaint; every other command asks for a repaint.
Outcome invokeElement(ViewState& s, const WindowLayout& layout, ElementRef element);

// The current drive's menu ("Rescan", "Continue scanning", "Cancel") has been
// answered: 1 rescans, 2 continues, anything else does nothing. It acts only while
// the entry is still the current drive and the root path is still its target.
enum : int32_t { kDriveMenuRescan = 1, kDriveMenuContinue = 2, kDriveMenuCancel = 3 };
Outcome driveMenuChosen(ViewState& s, int32_t driveIndex, int32_t choice);

// The fold animation of the performance panel has ended.
void finishPanelFold(ViewState& s, Outcome& out);

// The folder a drive entry scans under the allowed-paths policy ("X:\" or the one
// allowed folder on it); empty when the drive is not allowed.
std::u16string driveTarget(const ViewState& s, int32_t driveIndex);
