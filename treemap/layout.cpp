// Squarified treemap layout with cushion coefficients.
//
// Sections: helpers · folders and rows · entry
//
// The layout walks the tree with an explicit frame stack instead of recursion: a
// chain of thousands of nested folders (an import or a deep path) must not be able
// to overflow the window thread's stack. The visiting order is the depth-first one.
#include "treemap/treemap.h"
#include "treemap/lava.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr double kRootRidge = 0.4;
constexpr double kRidgeFactor = 0.86;

// Out-of-range values clamp, not-a-number becomes 0: rounding can never be undefined.
int32_t int32FromDouble(double v) {
  if (!(v == v)) return 0;
  if (v <= -2147483648.0) return INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

struct Context {
  TreemapLayout& layout;
  const Tree& tree;
  const TreeNode* nodes;
  const float* weights;
  uint64_t weightCount;
  const MapScheme& scheme;
  int32_t width, height;
  int32_t gap;          // pixels; 0 = none
  double g;
  bool glow;
};

inline double weightOf(const Context& c, int32_t node) {
  if (c.weights) return uint64_t(node) < c.weightCount ? double(c.weights[node]) : 0.0;
  const TreeNode& record = c.nodes[node];
  if (record.flags & kNodeLargeSize) return double(logicalSize(c.tree, node));
  return double(record.size);
}

// Gap rounding of one axis inside the parent's bounds [p0, p1): a split position is
// rounded to a pixel and the gap is put floor(g/2) before it and ceil(g/2) after it;
// the parent's own border never gets a gap.
inline double gapStart(double s, double p0, const Context& c) {
  return s - p0 < 0.5 ? p0 : std::trunc(s + 0.5) + double((c.gap + 1) / 2);
}
inline double gapEnd(double e, double p1, const Context& c) {
  return p1 - e < 0.5 ? p1 : std::trunc(e + 0.5) - double(c.gap / 2);
}

void recordLine(Context& c, double x, double y, double length, bool vertical) {
  int32_t n = int32FromDouble(length);
  if (n <= 0) return;
  c.layout.gapLines.push_back({int32FromDouble(x), int32FromDouble(y), n, vertical ? 1 : 0});
}

struct LeafPixels { int32_t x0, y0, x1, y1; };

// A leaf's pixels: rounded to the nearest pixel edge and clamped to the map.
bool leafPixels(const Context& c, double x0, double y0, double x1, double y1, LeafPixels& out) {
  out.x0 = std::max(int32FromDouble(x0 + 0.5), 0);
  out.y0 = std::max(int32FromDouble(y0 + 0.5), 0);
  out.x1 = std::min(int32FromDouble(x1 + 0.5), c.width);
  out.y1 = std::min(int32FromDouble(y1 + 0.5), c.height);
  return out.x0 < out.x1 && out.y0 < out.y1;
}

void pushLeaf(Context& c, int32_t node, const LeafPixels& p, double quadX, double quadY,
              double linX, double linY) {
  pushTreemapRect(c.layout, {quadX, quadY, linX, linY, p.x0, p.y0, p.x1, p.y1, node,
                             schemeColorOf(c.scheme, c.tree, node)});
}

void emitLeaf(Context& c, int32_t node, double x0, double y0, double x1, double y1,
              double quadX, double quadY, double linX, double linY) {
  LeafPixels p;
  if (leafPixels(c, x0, y0, x1, y1, p)) pushLeaf(c, node, p, quadX, quadY, linX, linY);
}

// --- Folders and rows -------------------------------------------------------------------

// Starts subdividing a folder: pushes its weighted children and a frame. False when
// the node is to be drawn as one leaf instead.
bool openFolder(Context& c, int32_t node, double weight, double x0, double y0, double x1,
                double y1, double quadX, double quadY, double linX, double linY, double ridge,
                bool gapFlag) {
  const TreeNode& record = c.nodes[node];
  if (!(record.flags & kNodeFolder) || record.firstChild < 0) return false;
  if (!(weight > 0) || !(x1 - x0 >= 2.0) || !(y1 - y0 >= 2.0)) return false;
  std::vector<int32_t>& stack = c.layout.scratch;
  std::vector<double>& stackWeights = c.layout.scratchWeights;
  size_t base = stack.size();
  double total = 0;
  for (int32_t child = record.firstChild; child >= 0; child = c.nodes[child].nextSibling) {
    double w = weightOf(c, child);
    if (w > 0) {
      stack.push_back(child);
      stackWeights.push_back(w);
      total += w;
    }
  }
  size_t count = stack.size() - base;
  if (count == 0) return false;
  if (c.weights) {
    const float* weights = c.weights;
    std::sort(stack.begin() + base, stack.end(), [weights](int32_t a, int32_t b) {
      // only children inside the weight table were pushed
      float wa = weights[a], wb = weights[b];
      return wa != wb ? wa > wb : a < b;
    });
    for (size_t i = base; i < stack.size(); ++i) stackWeights[i] = double(weights[stack[i]]);
  }
  double w = x1 - x0, h = y1 - y0;
  LayoutFrame f{};
  f.x0 = x0; f.y0 = y0; f.x1 = x1; f.y1 = y1;
  f.quadX = quadX; f.quadY = quadY; f.linX = linX; f.linY = linY;
  f.ridge = ridge;
  f.cx = x0; f.cy = y0; f.remaining = total;
  f.stackBase = int32_t(base);
  f.stackEnd = int32_t(stack.size());
  f.next = f.rowEnd = f.stackBase;
  f.gaps = gapFlag && w >= 4 * c.g && h >= 4 * c.g && w * h >= double(count) * 16 * c.g * c.g;
  c.layout.frames.push_back(f);
  return true;
}

// Picks the next row of children (the squarified join rule) and places its band.
// False when no room or weight is left.
bool startRow(Context& c, LayoutFrame& f) {
  if (f.next >= f.stackEnd) return false;
  double H = f.y1 - f.cy, W = f.x1 - f.cx;
  if (H <= 0 || W <= 0 || f.remaining <= 0) return false;
  double side = H <= W ? H : W;
  double scale = H * W / f.remaining;
  const double* weights = c.layout.scratchWeights.data();
  double wFirst = weights[f.next];
  double rowWeight = 0, previousWorst = 0;
  int32_t k = f.next;
  for (; k < f.stackEnd; ++k) {
    double wk = weights[k];
    double s = rowWeight + wk;
    double t = scale * s / side;
    double t2 = t * t;
    double worst = std::max(wFirst * scale / t2, t2 / (wk * scale));
    if (k > f.next && worst > previousWorst) break;   // a tie joins
    previousWorst = worst;
    rowWeight = s;
  }
  bool lastRow = k == f.stackEnd;
  f.rowEnd = k;
  f.rowWeight = rowWeight;
  f.side = side;
  f.horizontal = H > W;
  double thickness = lastRow ? (f.horizontal ? H : W) : scale * rowWeight / side;
  double bandStart, bandEnd, p0, p1, alongP0;
  if (f.horizontal) {
    bandStart = f.cy;
    bandEnd = lastRow ? f.y1 : f.cy + thickness;
    f.along = f.cx;
    p0 = f.y0; p1 = f.y1; alongP0 = f.x0;
    f.cy += thickness;
  } else {
    bandStart = f.cx;
    bandEnd = lastRow ? f.x1 : f.cx + thickness;
    f.along = f.cy;
    p0 = f.x0; p1 = f.x1; alongP0 = f.y0;
    f.cx += thickness;
  }
  f.remaining -= rowWeight;
  if (!f.gaps) {
    f.bandStart = bandStart;
    f.bandEnd = bandEnd;
    f.bandFrom = f.along;
    return true;
  }
  f.bandStart = gapStart(bandStart, p0, c);
  f.bandEnd = lastRow ? p1 : gapEnd(bandEnd, p1, c);
  f.bandFrom = gapStart(f.along, alongP0, c);
  if (c.glow && !lastRow && f.bandEnd < p1) {
    double q = double((c.gap - 1) / 2);
    double alongFar = std::trunc(f.horizontal ? f.x1 : f.y1);
    double along = f.bandFrom - c.g + q, across = f.bandEnd + q;
    double length = (alongFar - f.bandFrom) + c.g + 1;
    if (f.horizontal) recordLine(c, along, across, length, false);
    else recordLine(c, across, along, length, true);
  }
  return true;
}

void run(Context& c) {
  std::vector<LayoutFrame>& frames = c.layout.frames;
  while (!frames.empty()) {
    LayoutFrame& f = frames.back();
    if (f.next == f.rowEnd && !startRow(c, f)) {
      c.layout.scratch.resize(size_t(f.stackBase));
      c.layout.scratchWeights.resize(size_t(f.stackBase));
      frames.pop_back();
      continue;
    }
    int32_t child = c.layout.scratch[size_t(f.next)];
    double w = c.layout.scratchWeights[size_t(f.next)];
    ++f.next;
    if (f.next < f.stackEnd) {
      // the next sibling's children are read soon: start loading them now
      int32_t nextFirst = c.nodes[c.layout.scratch[size_t(f.next)]].firstChild;
      if (nextFirst >= 0) __builtin_prefetch(c.nodes + nextFirst);
    }
    bool lastInRow = f.next == f.rowEnd;
    double farEdge = f.horizontal ? f.x1 : f.y1;
    double start = f.along;
    f.along += w / f.rowWeight * f.side;
    double end = lastInRow ? farEdge : f.along;
    if (f.gaps) {
      double p0 = f.horizontal ? f.x0 : f.y0;
      start = gapStart(start, p0, c);
      end = lastInRow ? farEdge : gapEnd(end, farEdge, c);
      if (c.glow && !lastInRow && end < farEdge) {
        double q = double((c.gap - 1) / 2);
        double across = f.bandStart - c.g + q, along = end + q;
        double length = (f.bandEnd - f.bandStart) + c.g + 1;
        if (f.horizontal) recordLine(c, along, across, length, true);
        else recordLine(c, across, along, length, false);
      }
      if (start >= end || f.bandStart >= f.bandEnd) continue;
    }
    double x0, y0, x1, y1;
    if (f.horizontal) { x0 = start; x1 = end; y0 = f.bandStart; y1 = f.bandEnd; }
    else { y0 = start; y1 = end; x0 = f.bandStart; x1 = f.bandEnd; }
    // Most children are files or too small to open: round them first, and spend no
    // divisions on a cushion that covers no pixel.
    const TreeNode& record = c.nodes[child];
    bool mayOpen = (record.flags & kNodeFolder) && record.firstChild >= 0 && x1 - x0 >= 2.0 &&
                   y1 - y0 >= 2.0;
    LeafPixels pixels;
    if (!mayOpen && !leafPixels(c, x0, y0, x1, y1, pixels)) continue;
    double quadX = f.quadX, quadY = f.quadY, linX = f.linX, linY = f.linY;
    if (x1 - x0 > 0 && y1 - y0 > 0) {
      double a = 4 * f.ridge / (x1 - x0);
      linX += (x0 + x1) * a;
      quadX -= a;
      double b = 4 * f.ridge / (y1 - y0);
      linY += (y0 + y1) * b;
      quadY -= b;
    }
    if (!mayOpen) {
      pushLeaf(c, child, pixels, quadX, quadY, linX, linY);
      continue;
    }
    double childRidge = f.ridge * kRidgeFactor;
    bool childGaps = f.gaps;
    // `f` may move when a frame is pushed: nothing below reads it
    if (!openFolder(c, child, w, x0, y0, x1, y1, quadX, quadY, linX, linY, childRidge, childGaps))
      emitLeaf(c, child, x0, y0, x1, y1, quadX, quadY, linX, linY);
  }
}
}  // namespace

// --- Entry ----------------------------------------------------------------------------------

void pushTreemapRect(TreemapLayout& layout, const TreemapRect& rect) {
  if (!layout.rectArena.base) arenaReserve(layout.rectArena, kTreemapRectReserve);
  uint64_t need = (layout.rectCount + 1) * sizeof(TreemapRect);
  if (need > layout.rectArena.committed) arenaEnsure(layout.rectArena, need);
  reinterpret_cast<TreemapRect*>(layout.rectArena.base)[layout.rectCount++] = rect;
}

void layoutTreemap(TreemapLayout& layout, const Tree& tree, int32_t root, int32_t width,
                   int32_t height, const float* weights, uint64_t weightCount, int32_t gap,
                   bool glow, const MapScheme& scheme) {
  layout.rectCount = 0;
  layout.flowRuns.clear();
  layout.maxFlow = 0;
  layout.gapLines.clear();
  layout.scratch.clear();
  layout.scratchWeights.clear();
  layout.frames.clear();
  if (gap < 1 || int64_t(width) < 4 * int64_t(gap) || int64_t(height) < 4 * int64_t(gap)) gap = 0;
  layout.gap = gap;
  glow = glow && gap != 0;

  Context c{layout, tree, tree.nodes(), weights, weightCount, scheme, width, height,
            gap, double(gap), glow};
  // A root without weight (everything filtered out) shows only the background.
  if (root >= 0 && root < tree.nodeCount && width > 0 && height > 0 && weightOf(c, root) > 0) {
    double g = c.g;
    double x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (gap) {
      x0 = g; y0 = g; x1 = width - g; y1 = height - g;
      if (glow) {
        int32_t u = (gap - 1) / 2;
        recordLine(c, u, u, width - g + 1, false);
        recordLine(c, u, height - g + u, width - g + 1, false);
        recordLine(c, u, u, height - g + 1, true);
        recordLine(c, width - g + u, u, height - g + 1, true);
      }
    }
    if (!openFolder(c, root, weightOf(c, root), x0, y0, x1, y1, 0, 0, 0, 0, kRootRidge, gap != 0))
      emitLeaf(c, root, x0, y0, x1, y1, 0, 0, 0, 0);
    run(c);
  }
  if (layout.rectArena.base) arenaTrim(layout.rectArena, layout.rectCount * sizeof(TreemapRect));
  if (glow) buildFlowRuns(layout);
  // without runs their array goes (buildFlowRuns releases it too)
  if (layout.flowRuns.empty()) std::vector<FlowRun>().swap(layout.flowRuns);
}

void releaseTreemapLayout(TreemapLayout& layout) {
  arenaRelease(layout.rectArena);
  layout = TreemapLayout{};
}
