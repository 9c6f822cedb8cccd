// Texts of the content panel and the path bar while there is no map to show: the
// scan's progress, the empty states, the title standing in for the path.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/view_state.h"
#include <string>

// "%ls items found", or once the fast scan knows its total "Reading the MFT · …".
std::u16string scanProgressText(const ViewState& s);
// The time since the scan started, "12.3 s".
std::u16string scanElapsedText(const ViewState& s);
// "Scanning %ls…" above the progress line, and "<progress> · <elapsed>" under it.
std::u16string scanningTitle(const ViewState& s);
std::u16string scanningLine(const ViewState& s);
// The path bar's title without a tree: "Disk usage", or "Scanning…" while scanning.
std::u16string_view pathTitle(const ViewState& s);

// The content panel's empty state: without a tree, or with a view root that weighs
// nothing. `icon` is 0 when the map (or the scan's progress) shows instead.
struct EmptyState {
  char16_t icon = 0;
  std::u16string_view text;
};
EmptyState emptyState(const ViewState& s);
