// The status bar's left part: the first that applies of a transient message, the
// marks pill's hint, the left-out note, a list selection, the line about the hovered
// item, or the current view's hint; and how the hovered item's line shares the width.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <string>

// The line about one node: "C:\Users\" "me" "1.2 GB · 12.5 % of view" "Users  9.6 GB".
struct HoverLine {
  std::u16string folder;    // the path up to and including its last separator
  std::u16string name;
  std::u16string info;
  std::u16string parent;    // the parent's name and size; empty for the root
  std::u16string failure;   // why deleting it failed; empty when it did not (marks)
};
HoverLine hoverLine(const ViewState& s, int32_t node);
// A node's size as the hover line and its accessible value give it: the size in the
// current mode, and for a file whose two sizes differ the other one ("online-only").
std::u16string nodeSizeText(const ViewState& s, int32_t node);

// The node the hover line is about: the hovered cell's, else the focused cell's while
// focus shows in the map, else the one selected file row's; -1 for none.
int32_t hoverLineNode(const ViewState& s);

enum class StatusKind : uint8_t { Empty, Message, PillHint, LeftOut, Selection, Hover, Hint };
struct StatusText {
  StatusKind kind = StatusKind::Empty;
  std::u16string text;      // every kind but Hover
  HoverLine hover;          // Hover
};
StatusText statusText(const ViewState& s);
// The same as one line (the hover line's pieces joined by " · "), for the accessible
// status element and the status tooltip.
std::u16string statusLine(const ViewState& s);

// Where the hover line's pieces go inside `area` (pixels): the parent text at the
// right, then the failure text, then info, name and folder from the left.
struct HoverLineLayout {
  PixelRect folder, name, info, parent, failure;
};
HoverLineLayout placeHoverLine(const HoverLine& line, const PixelRect& area, int32_t dpi, const TextMeasurer& measure);
