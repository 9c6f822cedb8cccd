// The deletion review's card and the marks pill: the card's text and buttons in its
// four states, the pill's text and accessible name.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/view_state.h"
#include <string>

struct ReviewCardText {
  std::u16string text;
  std::u16string_view mainButton;     // empty: no main button
  std::u16string_view secondButton;
  bool backShown = false;
};
// Deletion running, permanent candidates, failures, or the normal state.
ReviewCardText reviewCardText(const ViewState& s);

// Why deleting the node or the marked folder holding it failed: the message of the
// first failed item at or above it ("?" for one without a message); empty otherwise.
// The hover line and the accessible description show it.
std::u16string deletionErrorOf(const ViewState& s, int32_t node);

// "12 items · 3.4 GB": the pill's text.
std::u16string marksPillText(const ViewState& s);
// "12 items, Marked for deletion, 3.4 GB": the pill's accessible name.
std::u16string marksPillName(const ViewState& s);
