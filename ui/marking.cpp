#include "ui/marking.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/cut_out.h"
#include "engine/extensions.h"
#include "engine/format.h"
#include "ui/protected_paths.h"
#include "ui/review.h"
#include "ui/view_rules.h"

namespace {

bool onDiskMode(const ViewState& s) { return s.settings.sizeMode == SizeMode::OnDisk; }

bool weighsNothing(const ViewState& s, int32_t node) {
  return s.shown.weightsInUse && s.shown.weights && static_cast<uint64_t>(node) < s.shown.weightCount &&
         !(s.shown.weights[node] > 0);
}

// Whether the node shows anything in the review, where only marked subtrees count:
// inside a mark, its own files' size; above marks, theirs.
bool showsMarks(const ViewState& s, int32_t node) {
  const Tree& tree = *s.shown.tree;
  if (!isAttached(tree, node)) return false;
  if (markedAncestorOrSelf(tree, s.marks.set, node) >= 0) return markTotals(tree, {node}, onDiskMode(s)).bytes > 0;
  std::vector<int32_t> below;
  for (int32_t m : s.marks.set.nodes)
    if (isAtOrBelow(tree, m, node)) below.push_back(m);
  return markTotals(tree, below, onDiskMode(s)).bytes > 0;
}

}  // namespace

// --- Questions -------------------------------------------------------------------------
const std::vector<uint8_t>& protectedFlagsOf(ViewState& s) {
  MarksView& m = s.marks;
  const Tree* tree = s.shown.tree;
  if (!hasTree(s)) {
    m.protectedFlags.clear();
    m.protectedTree = nullptr;
    return m.protectedFlags;
  }
  if (m.protectedTree != tree || m.protectedNodeCount != tree->nodeCount) {
    m.protectedFlags = protectedFlags(*tree, s.facts.protectedFolders, s.facts.policies.protectedPaths);
    m.protectedTree = tree;
    m.protectedNodeCount = tree->nodeCount;
  }
  return m.protectedFlags;
}

bool nodeProtected(ViewState& s, int32_t node) {
  if (!isValidNode(s, node)) return false;
  return isProtectedNode(*s.shown.tree, protectedFlagsOf(s), node);
}

bool hasMarks(const ViewState& s) { return !s.marks.set.nodes.empty(); }

bool nodeMarked(const ViewState& s, int32_t node) {
  return isValidNode(s, node) && markedAncestorOrSelf(*s.shown.tree, s.marks.set, node) >= 0;
}

std::vector<int32_t> filesOfType(const ViewState& s, std::u16string_view extension) {
  std::vector<int32_t> out;
  if (!isValidNode(s, s.shown.viewRoot) || extension.size() > 16) return out;
  std::u16string wanted(extension);
  for (char16_t& c : wanted)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  const Tree& tree = *s.shown.tree;
  std::vector<int32_t> stack{s.shown.viewRoot};
  while (!stack.empty()) {
    int32_t n = stack.back();
    stack.pop_back();
    if (weighsNothing(s, n)) continue;
    if (isFolder(tree, n)) {
      for (int32_t c = tree.node(n).firstChild; c != kNoNode; c = tree.node(c).nextSibling) stack.push_back(c);
      continue;
    }
    std::optional<std::u16string> ext = extensionOf(nodeName(tree, n));
    if (ext.value_or(u"") == wanted) out.push_back(n);
  }
  return out;
}

// --- Commands ----------------------------------------------------------------------------
void markNodes(ViewState& s, const std::vector<int32_t>& nodes, Outcome& out) {
  if (!markingAllowed(s)) return;
  const Tree& tree = *s.shown.tree;
  int64_t leftOut = 0;
  std::vector<int32_t> added;
  for (int32_t node : nodes) {
    if (node < 0) continue;
    if (nodeProtected(s, node)) leftOut++;
    else if (addMark(tree, s.marks.set, node)) added.push_back(node);
  }
  s.marks.leftOutText.clear();
  if (leftOut > 0) {
    s.marks.leftOutText = formatPlural(leftOut, text(Text::ItemInSystemFoldersWasLeft), {formatCount(leftOut)});
    out.add(EffectKind::RaiseAlert).element = {ElementId::ReadOnlyText, kLeftOutText};
  }
  // Outside the review marked cells leave the map; in it they join what it shows.
  if (!added.empty()) marksChanged(s, !s.review.open, s.review.open ? added : std::vector<int32_t>{}, out);
  out.repaint = true;
}

void unmarkNode(ViewState& s, int32_t node, Outcome& out) {
  if (!hasTree(s) || s.review.deletionRunning || !isValidNode(s, node)) return;
  if (!unmarkWithin(*s.shown.tree, s.marks.set, node)) return;
  // In the review what is unmarked leaves the map; outside it, it comes back.
  marksChanged(s, s.review.open, s.review.open ? std::vector<int32_t>{} : std::vector<int32_t>{node}, out);
  out.repaint = true;
}

void markOrUnmark(ViewState& s, int32_t node, Outcome& out) {
  if (s.review.open) unmarkNode(s, node, out);
  else markNodes(s, {node}, out);
}

void clearAllMarks(ViewState& s, Outcome& out) {
  if (s.review.deletionRunning || !hasMarks(s)) return;
  std::vector<int32_t> old = s.marks.set.nodes;
  clearMarks(s.marks.set);
  if (s.review.open) leaveReview(s, out);
  else marksChanged(s, false, std::move(old), out);
  out.repaint = true;
}

void policiesReloaded(ViewState& s, Outcome& out) {
  s.marks.protectedTree = nullptr;
  if (!s.facts.policies.disableDelete) return;
  if (s.review.deletionRunning) {
    requestDeletionCancel(s, out);   // finishing the job clears the marks
    return;
  }
  if (hasTree(s) && hasMarks(s)) clearAllMarks(s, out);
}

// --- After a change --------------------------------------------------------------------------
void marksChanged(ViewState& s, bool vanish, std::vector<int32_t> appearing, Outcome& out) {
  if (s.review.open && !hasMarks(s)) {
    leaveReview(s, out);
    return;
  }
  refreshMarkTotals(s);
  out.add(EffectKind::ApplyFilters);
  if (s.review.open && hasTree(s)) {
    const int32_t view = s.shown.viewRoot;
    bool keep = isValidNode(s, view) && isAtOrBelow(*s.shown.tree, view, s.review.root) && showsMarks(s, view);
    if (!keep) s.shown.viewRoot = s.review.root;
  }
  s.hoverCell = -1;
  // A stale map or one being resized or zoomed has no picture to start the cells from.
  const bool animate = s.currentView == MainView::Map && hasTree(s) && !s.scan.scanning && s.facts.animationsOn &&
                       !s.mapStale && !s.resizing && !s.zoomRunning;
  s.mapStale = true;
  s.marks.appearing.clear();
  if (animate) {
    s.marks.appearing = std::move(appearing);
    out.add(EffectKind::MarksTransition).flag = vanish;
  }
  out.relayout = true;   // the pill comes, goes or changes its width
  out.repaint = true;
}

void refreshMarkTotals(ViewState& s) {
  MarksView& m = s.marks;
  ReviewView& r = s.review;
  if (!hasTree(s)) {
    m.itemCount = m.bytes = 0;
    r.root = -1;
    r.permanentBytes = 0;
    return;
  }
  const Tree& tree = *s.shown.tree;
  dropDetachedMarks(tree, m.set);
  std::erase_if(r.permanent, [&](int32_t n) { return !isMarked(m.set, n); });
  MarkTotals totals = markTotals(tree, m.set.nodes, onDiskMode(s));
  m.itemCount = totals.items;
  m.bytes = totals.bytes;
  r.root = commonAncestor(tree, m.set.nodes);
  r.permanentBytes = markTotals(tree, r.permanent, onDiskMode(s)).bytes;
}

MarkWeighting markWeighting(ViewState& s) {
  MarkWeighting w;
  if (!hasTree(s) || !hasMarks(s)) return w;
  // The filter reads one byte for every node.
  std::vector<uint8_t>& flags = s.marks.set.flags;
  if (flags.size() < static_cast<size_t>(s.shown.tree->nodeCount)) flags.resize(s.shown.tree->nodeCount, 0);
  w.flags = flags.data();
  w.onlyMarked = s.review.open;
  return w;
}
