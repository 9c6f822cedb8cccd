// The scan as the window sees it: starting one (policy check, cancelling what runs,
// dropping the shown tree), asking it to stop, continuing a partial tree, taking the
// finished tree over; and the notice bar that reports on all of it.
//
// Threading: window thread. The threads themselves are started, cancelled and joined
// by the Windows side when it runs the effects.
#pragma once
#include "engine/scan_driver.h"
#include "ui/effects.h"
#include "ui/view_state.h"
#include <string>
#include <string_view>

// Scans `path`, or without one the drive entry at `driveIndex` (an imported CSV entry
// imports its file). An index out of range without a path does nothing; a target the
// allowed-paths policy refuses only shows the managed notice.
void startScan(ViewState& s, int32_t driveIndex, std::u16string_view path, Outcome& out);
// Only while a scan runs and no stop is pending.
void requestStop(ViewState& s, Outcome& out);
// Only without a running scan, with a tree that has folders not scanned yet.
void continueScan(ViewState& s, Outcome& out);

// What the scan thread left for the window, read after joining it; the tree is
// owned by the window from here on.
struct FinishedScan {
  uint32_t generation = 0;
  ScanResult result;
};
// Whether a done message with this generation belongs to the running scan; a late
// message from a superseded scan is ignored (its tree was freed when it was cancelled).
bool acceptsFinishedScan(const ViewState& s, uint32_t generation);
void takeOverScan(ViewState& s, FinishedScan& finished, Outcome& out);

// A new notice replaces the previous one.
void showNotice(ViewState& s, NoticeKind kind, std::u16string_view text, Outcome& out,
                NoticeAction action = NoticeAction::None, std::u16string_view actionArgument = {});
