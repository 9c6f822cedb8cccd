// Moving through the tree: zooming into a folder, going up, the map cell that holds
// the keyboard focus, switching between the Map, Files and Extensions views.
//
// Threading: window thread.
#pragma once
#include "ui/effects.h"
#include "ui/view_state.h"

// The cell showing the focus node; without one, the largest cell below the focus node
// (the largest of all when none lies below it), the earlier on equal area. -1 while
// there are no cells (no tree, a scan runs, nothing laid out).
int32_t focusedCell(const ViewState& s);
// The same, and the focus node becomes the cell's node.
int32_t takeFocusedCell(ViewState& s);

// Where a cell leads when it is entered: its own node when that is a folder with
// children and a size above 0, else its parent; -1 when that is the view root.
int32_t zoomTarget(const ViewState& s, int32_t cell);
// Where a wheel notch up over a cell leads: the view root's child on the way to the
// cell's node, when that is a folder with children and a size above 0; else -1.
int32_t wheelZoomTarget(const ViewState& s, int32_t cell);

// Makes `node` the view root; animated when a laid-out, non-empty map exists, no
// resize or relayout is pending and animations are on.
void zoomTo(ViewState& s, int32_t node, bool zoomIn, Outcome& out);
// One level up; in the review from its root, leaves the review. `keepFocus` (Backspace
// and the Up button) makes the folder just left the focus node first.
void goUp(ViewState& s, bool keepFocus, Outcome& out);
// The view 0..2; only another one, and in the review only the map.
void switchView(ViewState& s, int32_t view, Outcome& out);

// The map has new cells, laid out for width × height pixels: the hovered cell index
// means nothing any more, while the focus node (a node, not a cell) stays.
void mapCellsReplaced(ViewState& s, const TreemapLayout* cells, int32_t width, int32_t height);
