#include "ui/map_overlay_facts.h"

#include "ui/view_rules.h"

MapOverlayFacts mapOverlayFactsOf(const ViewState& s, const PixelRect& mapArea) {
  MapOverlayFacts f;
  f.mapViewCurrent = s.currentView == MainView::Map;
  f.treeLoaded = hasTree(s);
  f.scanRunning = s.scan.scanning;
  f.viewRootWeighted = f.treeLoaded && shownSize(s, s.shown.viewRoot) > 0;
  f.liveResize = s.resizing;
  f.mapStale = s.mapStale;
  f.mapArea = mapArea;
  // The raster is as large as the cells it was drawn from.
  if (s.treemap) {
    f.rasterWidth = s.treemapWidth;
    f.rasterHeight = s.treemapHeight;
  }
  return f;
}
