// The summary line under the path bar in every state, and how it is fitted into its
// width: the piece naming unreadable folders carries a tooltip, so when the line is
// too long the text before it is shortened instead of the piece.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <string>

struct SummaryText {
  std::u16string head;    // the line up to the unreadable-folders piece, or all of it
  std::u16string piece;   // "3 folders couldn't be read, results incomplete", or empty
  std::u16string tail;    // what follows the piece
};
SummaryText summaryText(const ViewState& s);
// Counts the files and folders below the view root for the summary line when they were
// counted for another view root or tree; the line counts them itself until then.
void refreshViewCounts(ViewState& s);
// The whole line as one text: head, " · ", piece and tail.
std::u16string summaryLine(const SummaryText& summary);

// The line fitted into `available` DIPs. Without a piece, or when everything fits,
// the head is unchanged (the painter trims a line without a piece with an ellipsis).
// Otherwise the head becomes its longest prefix that fits before " · " and the
// piece, found by binary search on the measured width and never ending between
// the two halves of a surrogate pair.
struct SummaryFit {
  std::u16string head;    // ends with " · " when a piece follows
  bool shortened = false;
  double headWidth = 0, pieceWidth = 0, tailWidth = 0;   // DIPs
};
SummaryFit fitSummary(const SummaryText& summary, double available, const TextMeasurer& measure);

// The longest prefix of `text` (in code units) whose width plus `suffix` is at most
// `available`, never splitting a surrogate pair.
size_t fittingPrefix(std::u16string_view text, std::u16string_view suffix, double available,
                     TextStyle style, const TextMeasurer& measure);
