// The rules several parts of the window share: which buttons are enabled or shown,
// what the fast scan would do, the size a node shows with.
//
// Threading: pure functions of a ViewState, called on the window thread.
#pragma once
#include "ui/view_state.h"
#include <string>
#include <string_view>

// --- Scanning --------------------------------------------------------------------------
// Fast scan in force: chosen, running as administrator and not turned off by policy.
bool fastScanEffective(const ViewState& s);
// 0 administrator, 1 may restart as administrator, 2 that restart is hidden, 3 off.
uint8_t fastScanStateOf(const ViewState& s);
bool elevateCheckShown(const ViewState& s);     // "Always start as administrator"
bool elevateToggleAllowed(const ViewState& s);
bool scanButtonEnabled(const ViewState& s);
// The scan button's label: "Stopping…" ("Stopping" for accessibility), "Cancel",
// "Stop" or "Rescan".
std::u16string_view scanButtonLabel(const ViewState& s, bool accessible);
bool continueShown(const ViewState& s);
// The fast-scan tip applies to the running scan (time aside) / is shown now.
bool fastScanTipApplies(const ViewState& s);
bool fastScanTipShown(const ViewState& s);
constexpr double kFastScanTipDelayMs = 3000;
// The drive entry of a path's letter (the last one with it), -1 when none.
int32_t driveIndexForPath(const ViewState& s, std::u16string_view path);

// --- Buttons -----------------------------------------------------------------------------
bool upEnabled(const ViewState& s);
bool exportEnabled(const ViewState& s);
bool anyFilterText(const ViewState& s);          // "Clear filters" is enabled
bool sizeModeFixedByPolicy(const ViewState& s);
bool updateChecksOff(const ViewState& s);
bool noticeShown(const ViewState& s);
// Elements that belong outside the deletion review: their commands do nothing there
// and screen readers find them unavailable.
bool ignoredInReview(ElementId id);
bool noticeActionShown(const ViewState& s);
bool marksPillShown(const ViewState& s);
bool markingAllowed(const ViewState& s);
// The panel as laid out: open while its fold animation runs.
PerformancePanel panelState(const ViewState& s);

// --- Sizes -------------------------------------------------------------------------------
// A node's size as the map and the lists show it: the logical size without weights;
// with weights, a file's exact size in the size mode when it passes, a folder's weight.
int64_t shownSize(const ViewState& s, int32_t node);
bool isFolder(const Tree& tree, int32_t node);
bool hasChildren(const Tree& tree, int32_t node);
