#include "ui/navigation.h"

#include "ui/lists.h"
#include "ui/view_rules.h"
#include "ui/review.h"

namespace {

bool hasCells(const ViewState& s) {
  return hasTree(s) && !s.scan.scanning && s.treemap && s.treemap->rectCount > 0;
}

// Whether `node` lies at or below `ancestor`, looking no higher than the view root.
bool isWithin(const ViewState& s, int32_t node, int32_t ancestor) {
  const Tree& tree = *s.shown.tree;
  for (int32_t n = node; n >= 0 && n < tree.nodeCount; n = tree.node(n).parent) {
    if (n == ancestor) return true;
    if (n == s.shown.viewRoot) return false;
  }
  return false;
}

}  // namespace

int32_t focusedCell(const ViewState& s) {
  if (!hasCells(s)) return -1;
  const TreemapRect* rects = s.treemap->rects();
  const int64_t count = static_cast<int64_t>(s.treemap->rectCount);
  for (int64_t i = 0; i < count; i++)
    if (rects[i].node == s.shown.focusNode) return static_cast<int32_t>(i);
  int64_t best = -1, bestBelow = -1;
  int64_t bestArea = -1, bestBelowArea = -1;
  for (int64_t i = 0; i < count; i++) {
    int64_t area = static_cast<int64_t>(rects[i].x1 - rects[i].x0) * (rects[i].y1 - rects[i].y0);
    if (area > bestArea) best = i, bestArea = area;
    if (s.shown.focusNode >= 0 && area > bestBelowArea && isWithin(s, rects[i].node, s.shown.focusNode))
      bestBelow = i, bestBelowArea = area;
  }
  return static_cast<int32_t>(bestBelow >= 0 ? bestBelow : best);
}

int32_t takeFocusedCell(ViewState& s) {
  int32_t cell = focusedCell(s);
  if (cell >= 0) s.shown.focusNode = s.treemap->rects()[cell].node;
  return cell;
}

int32_t zoomTarget(const ViewState& s, int32_t cell) {
  if (!hasCells(s) || cell < 0 || static_cast<uint64_t>(cell) >= s.treemap->rectCount) return -1;
  const Tree& tree = *s.shown.tree;
  int32_t node = s.treemap->rects()[cell].node;
  if (!isValidNode(s, node)) return -1;
  int32_t target = isFolder(tree, node) && hasChildren(tree, node) && shownSize(s, node) > 0 ? node : tree.node(node).parent;
  return target == s.shown.viewRoot || !isValidNode(s, target) ? -1 : target;
}

int32_t wheelZoomTarget(const ViewState& s, int32_t cell) {
  if (!hasCells(s) || cell < 0 || static_cast<uint64_t>(cell) >= s.treemap->rectCount) return -1;
  const Tree& tree = *s.shown.tree;
  int32_t node = s.treemap->rects()[cell].node;
  while (isValidNode(s, node) && tree.node(node).parent != s.shown.viewRoot) node = tree.node(node).parent;
  if (!isValidNode(s, node) || node == s.shown.viewRoot) return -1;
  return isFolder(tree, node) && hasChildren(tree, node) && shownSize(s, node) > 0 ? node : -1;
}

void zoomTo(ViewState& s, int32_t node, bool zoomIn, Outcome& out) {
  if (!isValidNode(s, node)) return;
  bool animate = s.treemap && s.treemap->rectCount > 0 && !s.resizing && !s.relayoutPending && !s.mapStale &&
                 shownSize(s, s.shown.viewRoot) > 0 && s.facts.animationsOn;
  Effect& zoom = out.add(EffectKind::ZoomMap);
  zoom.node = node;
  zoom.number = s.shown.viewRoot;
  zoom.flag = zoomIn;
  zoom.animate = animate;
  s.shown.viewRoot = node;
  s.hoverCell = -1;
  s.mapStale = true;
  out.relayout = true;
  out.repaint = true;
}

void goUp(ViewState& s, bool keepFocus, Outcome& out) {
  if (s.review.open && s.shown.viewRoot == s.review.root) {
    leaveReview(s, out);
    out.repaint = true;
    return;
  }
  if (!hasTree(s) || s.scan.scanning || !isValidNode(s, s.shown.viewRoot) || s.shown.viewRoot == treeRoot(s)) return;
  if (keepFocus) s.shown.focusNode = s.shown.viewRoot;
  zoomTo(s, s.shown.tree->node(s.shown.viewRoot).parent, false, out);
}

void switchView(ViewState& s, int32_t view, Outcome& out) {
  if (view < 0 || view > 2 || view == static_cast<int32_t>(s.currentView)) return;
  if (s.review.open && view != 0) return;
  s.currentView = static_cast<MainView>(view);
  out.add(EffectKind::ShowLists).number = view;
  resetListRows(s);   // coming back to a list rebuilds it from row 0
  s.hoverCell = -1;
  s.focus = {ElementId::ViewTab, view};
  out.add(EffectKind::AnnounceFocus).element = s.focus;
  out.repaint = true;
}

void mapCellsReplaced(ViewState& s, const TreemapLayout* cells, int32_t width, int32_t height) {
  s.treemap = cells;
  s.treemapWidth = width;
  s.treemapHeight = height;
  s.hoverCell = -1;
  s.mapStale = false;
  s.layoutGeneration++;
}
