// Changing the map's colour scheme while the window runs (the Settings window and
// the map's context menu call this): the scheme becomes current, its name is
// written as the setting, the lava glow forgets what it played for so that the
// next layout pours it again, and the map is redone.
//
// Threading: window thread (the view state's scheme is its own).
#pragma once
#include "treemap/lava_clock.h"
#include "ui/effects.h"
#include "ui/view_state.h"
#include <cstdint>

// `index` outside 0..4 selects scheme 0. Asks for a repaint of the whole window
// (the map's background and the lists' type swatches follow the scheme).
Outcome setMapScheme(ViewState& s, LavaState& lava, int32_t index);
