// The part of the map overlay's conditions (render/map_overlay_rules.h) that the
// view state decides: the Map view is current, a tree is shown and no scan runs,
// the view root weighs something, no live resize, and the cells laid out are up to
// date for the map area. The window adds what only it knows (render start, device
// context, overlay failures, minimised).
//
// Threading: pure function.
#pragma once
#include "render/map_overlay_rules.h"
#include "ui/view_state.h"

MapOverlayFacts mapOverlayFactsOf(const ViewState& s, const PixelRect& mapArea);
