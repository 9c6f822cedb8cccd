// The map update: the map area's squarified layout and its cushion raster, each
// timed for the performance panel, redone only when the map is stale. The pixels
// stay between paints, so a paint that changes only the hover draws the same
// bitmap again; `pixelsNew` tells the Windows side to take them onto the device.
//
// Threading: window thread. The picture and its cells belong to the window; the
// ViewState points at the cells (`treemap`) until the next update replaces them.
#pragma once
#include "render/pixel_rect.h"
#include "treemap/treemap.h"
#include "ui/view_state.h"
#include <cstdint>
#include <vector>

struct MapPicture {
  TreemapLayout cells;
  std::vector<uint32_t> pixels;   // width × height, 0xFFRRGGBB, rows top to bottom
  int32_t width = 0, height = 0;  // of the pixels; 0 × 0: none
  bool pixelsNew = false;         // raster redone since the bitmap last took the pixels
  bool cellsNew = false;          // layout redone (and its flow runs) since the glow last looked
  uint64_t updates = 0;           // map updates that laid out and rasterised
};

// The map update for `area` (the layout's map area, pixels). Clears the stale flag;
// replaces the pixel buffer when the area's size changed (none when it is empty);
// without a tree or pixels stops there. Otherwise lays out the view root (none when
// it weighs nothing) with the weights in force, the scheme's gap in pixels and its
// glow, rasterises with the map background (`themeBackground` unless the scheme has
// its own) and 8-DIP patterns when they are on, stores both times in
// state.performance and hands the new cells to the state. True when it laid out.
bool updateMap(MapPicture& map, ViewState& s, const PixelRect& area, uint32_t themeBackground);

// Drops the cells and the pixels (a new scan, a tree freed): the state no longer
// points at them and the map is stale.
void resetMap(MapPicture& map, ViewState& s);
void releaseMapPicture(MapPicture& map);
