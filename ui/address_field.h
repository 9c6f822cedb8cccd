// The address field over the breadcrumb, its portable half: the folder suggestions
// as the user types, Enter (a folder of the tree zooms, another folder scans, anything
// else turns the field red) and hiding it.
//
// Threading: window thread. Navigating asks the file system whether a folder exists
// (platform/scan_path.h), a few calls on the window thread as the user presses Enter.
#pragma once
#include "ui/effects.h"
#include "ui/view_state.h"
#include <string_view>
#include <vector>

// Up to 8 completions for the field holding `text`: with a separator whose head names
// a folder of the tree, that folder's child folders starting with the tail (ignoring
// case), largest shown size first; otherwise the tree's root path while the text is a
// shorter prefix of it (ignoring case). None without a tree.
std::vector<Suggestion> addressSuggestions(const ViewState& s, std::u16string_view text);

// A change of the field's text: clears the error state and, while the field has
// the focus, shows the completions (or hides the popup when there are none).
void addressTextChanged(ViewState& s, std::u16string_view text, bool fieldFocused, Outcome& out);

// Enter without a highlighted completion. An empty text hides the field; a folder of
// the tree hides it and zooms there; an existing folder elsewhere hides it and scans
// it (under the allowed-paths policy); anything else keeps it open in the error state.
void navigateAddress(ViewState& s, std::u16string_view text, Outcome& out);

// Esc, Enter, the focus leaving, the application deactivating, the review opening:
// hides the suggestions and the field; nothing when it is hidden.
void hideAddress(ViewState& s, Outcome& out);
