// The path of the shown folder as breadcrumb segments: the folders above the scanned
// root start a new scan, the nodes from the root down to the view root zoom out.
// Segments that do not fit collapse into "…" after the first one.
//
// Threading: window thread; rebuilt at every layout.
#pragma once
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <string>
#include <vector>

struct BreadcrumbSegment {
  std::u16string name;
  std::u16string path;      // set above the tree's root: a folder to scan
  int32_t node = -1;        // set inside the tree
  PixelRect rect;                // empty while collapsed
  bool collapsed = false;
};

struct Breadcrumb {
  std::vector<BreadcrumbSegment> segments;
  PixelRect ellipsis;                    // the "…" in place of collapsed segments
  std::vector<PixelRect> separators;     // the U+E76C glyphs between shown pieces
};

// Segments of the tree's root path and of the nodes down to the view root; in the
// review the chain starts at the review root, named "Marked for deletion". Empty
// without a tree.
std::vector<BreadcrumbSegment> breadcrumbSegments(const ViewState& s);

// Splits a root path into segments: "X:" (path X:\), "\\server\share", or "/" for a
// path from the root, then one per component with the path up to it.
std::vector<BreadcrumbSegment> splitRootPath(std::u16string_view rootPath);

// Places the segments in the path bar (pixels) and collapses what does not fit.
void placeBreadcrumb(Breadcrumb& crumb, const PixelRect& pathBar, int32_t dpi, const TextMeasurer& measure);

// Whether a segment can be clicked: shown, not the last, with a node or a path.
bool isClickableSegment(const Breadcrumb& crumb, size_t index);

// Spacing inside the path bar, in DIPs.
constexpr int32_t kBreadcrumbInset = 12;     // from the bar's left edge to the first text
constexpr int32_t kBreadcrumbPad = 4;        // hover fill around a segment's text
constexpr int32_t kBreadcrumbSeparator = 20; // the separator glyph's cell
