// The completion popup under the types field (and the address field): the type
// suggestions, showing and hiding the popup, moving its highlight, accepting an item,
// and where its rows and their pieces are drawn.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/effects.h"
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <string>
#include <string_view>
#include <vector>

// --- Type suggestions --------------------------------------------------------------------
// The text split at its current token: what follows the last ',', ';' or space.
struct TypeToken {
  std::u16string keptPrefix;    // the text before the token, ending in a space when not empty
  std::u16string token;         // lowered A-Z, trimmed, without leading '*' and '.'
  std::u16string normalized;    // "," + text + "," lowered, spaces and ';' turned into ','
};
TypeToken typeToken(std::u16string_view text);

// At most 8 items for the types field holding `text`: the categories the token starts
// (in table order; none for an empty token), then the tree's extensions starting with
// it in the order of the tree's table (every one for an empty token); never one the
// text names already. Each inserts the kept prefix, the word and ", ".
std::vector<Suggestion> typeSuggestions(const Tree& tree, std::u16string_view text);

// --- The popup ----------------------------------------------------------------------------
// Shows `items` for `owner` (nothing highlighted), or hides the popup when there are none.
void showSuggestions(ViewState& s, ElementId owner, std::vector<Suggestion> items, Outcome& out);
// Hides the popup and forgets its owner and highlight; nothing when it is hidden.
void hideSuggestions(ViewState& s, Outcome& out);
// Whether `field` owns a popup with items (its keys then steer the popup).
bool popupOwnedBy(const ViewState& s, ElementId field);

// Down (+1) from none highlights the first item and wraps after the last; Up (-1)
// from none or the first highlights the last.
void moveHighlight(SuggestionPopup& popup, int32_t step);

// Puts item `index`'s insert text into the owner field with the caret at its end (the
// field's change then rebuilds the suggestions and restarts the typing pause). The
// types field's popup hides first; the address field's stays for the next level.
// Nothing without an owner or for an index out of range.
void acceptSuggestion(ViewState& s, int32_t index, Outcome& out);

// --- Geometry (pixels) -------------------------------------------------------------------------
// The popup in the main window's client coordinates: at the owner's left edge, 4 DIPs
// below it, max(owner width, 320 DIPs) wide, items × 32 + 2 × 4 DIPs high.
PixelRect suggestionPopupRect(const PixelRect& owner, int32_t itemCount, int32_t dpi);
// The row under a popup-relative y ((y − 4) ÷ 32 in DIPs), -1 outside the rows.
int32_t suggestionRowAt(int32_t y, int32_t itemCount, int32_t dpi);

// --- The popup's mouse (it never takes the focus from its field) ---------------------------
// WM_MOUSEMOVE at popup-relative `y`: a row other than the highlighted one becomes
// highlighted. True when the popup must be repainted.
bool suggestionPointerMoved(ViewState& s, int32_t y);
// WM_LBUTTONDOWN at popup-relative `y`: accepts the row under the pointer.
Outcome suggestionClicked(ViewState& s, int32_t y);

// One row of a popup `popupWidth` pixels wide (popup coordinates): the row from 4 to
// width − 4; the accent bar (3 DIPs at the left, inset 9 from top and bottom, radius
// 1.5); the label from 12 DIPs in; the detail right-aligned ending 10 DIPs before the
// row's end, in the caption style; the label ending 8 DIPs before the detail's
// reserved width (detail width + 12).
struct SuggestionRowLayout {
  PixelRect row;                     // the highlight's rounded rectangle (radius 4)
  PixelRect accentBar;
  PixelRect label, detail;           // detail empty without one
};
SuggestionRowLayout suggestionRowLayout(const Suggestion& item, int32_t index, int32_t popupWidth, int32_t dpi,
                                        const TextMeasurer& measure);
