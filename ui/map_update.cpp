#include "ui/map_update.h"

#include "platform/platform.h"
#include "render/scale.h"
#include "treemap/schemes.h"
#include "ui/navigation.h"
#include "ui/view_rules.h"

bool updateMap(MapPicture& map, ViewState& s, const PixelRect& area, uint32_t themeBackground) {
  // The lava's timer pauses here; the window restarts it from the new layout.
  s.mapStale = false;
  const int32_t width = area.empty() ? 0 : area.width(), height = area.empty() ? 0 : area.height();
  if (width != map.width || height != map.height) {
    map.pixels.clear();
    map.pixels.shrink_to_fit();
    map.width = map.height = 0;
    if (width > 0 && height > 0) {
      map.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
      map.width = width;
      map.height = height;
    }
  }
  if (!hasTree(s) || map.pixels.empty()) return false;

  const MapScheme& scheme = mapSchemeAt(s.mapScheme);
  const uint32_t dpi = static_cast<uint32_t>(s.dpi);
  int32_t root = shownSize(s, s.shown.viewRoot) > 0 ? s.shown.viewRoot : -1;
  bool weighted = s.shown.weightsInUse && s.shown.weights;
  double start = nowMs();
  layoutTreemap(map.cells, *s.shown.tree, root, width, height, weighted ? s.shown.weights : nullptr,
                weighted ? s.shown.weightCount : 0, scheme.gap ? scaleDip(static_cast<int32_t>(scheme.gap), dpi) : 0,
                scheme.glow, scheme);
  double laidOut = nowMs();
  uint32_t background = 0xFF000000u | (scheme.background ? scheme.background : themeBackground);
  rasterTreemap(map.cells, map.pixels.data(), map.pixels.size(), width, height, background,
                s.settings.patterns ? scaleDip(8, dpi) : 0, scheme);
  double rasterised = nowMs();
  s.performance.layoutMs = laidOut - start;
  s.performance.renderMs = rasterised - laidOut;
  mapCellsReplaced(s, &map.cells, width, height);
  map.pixelsNew = true;
  map.cellsNew = true;
  map.updates++;
  return true;
}

void resetMap(MapPicture& map, ViewState& s) {
  releaseMapPicture(map);
  if (s.treemap == &map.cells) {
    s.treemap = nullptr;
    s.treemapWidth = s.treemapHeight = 0;
    s.hoverCell = -1;
  }
  s.mapStale = true;
}

void releaseMapPicture(MapPicture& map) {
  releaseTreemapLayout(map.cells);
  map.pixels.clear();
  map.pixels.shrink_to_fit();
  map.width = map.height = 0;
  map.pixelsNew = map.cellsNew = false;
}
