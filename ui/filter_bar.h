// The filter bar: the search, types and minimum-size fields as the window sees them,
// the typing pause, applying the filters to the shown tree, and the fields' keys and
// notifications. The edits themselves are system controls on the Windows side; it
// forwards their notifications and keys here and runs the effects.
//
// Threading: window thread.
#pragma once
#include "config/language.h"
#include "engine/filter.h"
#include "ui/effects.h"
#include "ui/keyboard.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include <cstdint>
#include <string_view>
#include <vector>

// --- The fields ------------------------------------------------------------------------
// The three edits in the order they are created, with their cue banners (shown also
// while the field has the focus) and their accessible names.
struct FilterFieldInfo {
  ElementId id;
  Text cue;
  Text name;
};
extern const FilterFieldInfo kFilterFields[3];

// --- Timing --------------------------------------------------------------------------
// Typing never filters per keystroke: every change of a field (re)starts this window
// timer, and only its expiry (or Enter) applies the filters.
constexpr uintptr_t kFilterTimerId = 4;
constexpr uint32_t kTypingPauseMs = 250;

// --- Parsing ---------------------------------------------------------------------------
// An edit's text as far as its first NUL.
std::u16string_view textBeforeNul(std::u16string_view text);
// Nothing but spaces and tabs (or nothing at all).
bool isBlankFieldText(std::u16string_view text);

struct ParsedFilter {
  CompiledFilter filter;        // with no minimum when the size is not understood
  MinimumSize minimum;          // the size field read in the units given
};
ParsedFilter parseFilterFields(const FilterFields& fields, bool decimalSizes);

// --- Applying --------------------------------------------------------------------------------
// The ApplyFilters effect, once the three edits' texts are in `s.filter`: parses them,
// marks the size field invalid or not, and with a tree computes the weights into
// `weights` (owned by the caller; `s.shown.weights` points into it) while a filter,
// marks or the on-disk size mode call for them, else drops them. `marks` (one byte per
// node) is null while nothing is marked. Bumps the filter generation: the map and the
// lists rebuild. Timer 4 must be stopped by the caller.
void applyFilters(ViewState& s, std::vector<float>& weights, const uint8_t* marks, Outcome& out);

// --- Notifications of the fields (WM_COMMAND) -------------------------------------------------
// EN_CHANGE of the search, types or minimum-size field with its new text: keeps
// `s.filter` up to date (an edited size is no longer flagged until it is applied),
// rebuilds the type suggestions while the types field has the focus, and restarts
// the typing pause.
Outcome filterFieldChanged(ViewState& s, ElementId field, std::u16string_view text, bool fieldHasFocus);
// EN_SETFOCUS: the field becomes the focus element; the types field offers suggestions.
Outcome filterFieldFocused(ViewState& s, ElementId field);
// EN_KILLFOCUS: the types field's popup goes away with its focus.
Outcome filterFieldBlurred(ViewState& s, ElementId field);

// --- Keys (the fields' subclass procedure) ------------------------------------------------------
// WM_KEYDOWN in the search, types or minimum-size field. While the field owns the
// popup with items: Tab and Enter accept the highlighted item (without one, Tab hides
// the popup and moves the focus, Enter hides it and applies the filters), Esc hides
// it, Up and Down move the highlight. Otherwise: Tab moves the focus, Enter applies
// the filters, Esc empties the field or, when it is empty, gives the focus back to the
// main window. Unhandled keys go to the edit's default processing.
struct FieldKeyResult {
  Outcome out;
  bool handled = false;
};
FieldKeyResult filterFieldKeyDown(ViewState& s, const WindowLayout& layout, ElementId field, Key key, bool shift);
// WM_CHAR: Tab, Enter and Esc are swallowed (the edit would beep).
bool fieldSwallowsCharacter(char16_t c);

// The field's rectangle in the layout (the address field's too); empty for another id.
PixelRect filterFieldRect(const WindowLayout& layout, ElementId field);
// The frame and focus line in the error red: a minimum size that is not understood.
bool filterFieldShowsError(const ViewState& s, ElementId field);
