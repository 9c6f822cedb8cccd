#include "ui/breadcrumb.h"

#include "config/language.h"
#include <algorithm>
#include <cmath>

std::vector<BreadcrumbSegment> splitRootPath(std::u16string_view rootPath) {
  std::vector<BreadcrumbSegment> out;
  char16_t separator = pathSeparatorFor(rootPath);
  size_t at = 0;
  if (rootPath.size() >= 2 && rootPath[1] == u':') {
    out.push_back({std::u16string(rootPath.substr(0, 2)), std::u16string(rootPath.substr(0, 2)) + separator});
    at = 2;
  } else if (rootPath.size() > 2 && (rootPath[0] == u'\\' || rootPath[0] == u'/') && rootPath[1] == rootPath[0]) {
    // \\server\share as one segment: neither part alone can be scanned.
    size_t server = rootPath.find(rootPath[0], 2);
    size_t share = server == std::u16string_view::npos ? server : rootPath.find(rootPath[0], server + 1);
    size_t end = share == std::u16string_view::npos ? rootPath.size() : share;
    out.push_back({std::u16string(rootPath.substr(0, end)), std::u16string(rootPath.substr(0, end))});
    at = end;
  } else if (!rootPath.empty() && rootPath[0] == separator) {
    out.push_back({std::u16string(1, separator), std::u16string(1, separator)});
    at = 1;
  }
  while (at < rootPath.size()) {
    if (rootPath[at] == separator) {
      at++;
      continue;
    }
    size_t end = rootPath.find(separator, at);
    if (end == std::u16string_view::npos) end = rootPath.size();
    out.push_back({std::u16string(rootPath.substr(at, end - at)), std::u16string(rootPath.substr(0, end))});
    at = end;
  }
  if (out.empty()) out.push_back({std::u16string(rootPath), std::u16string(rootPath)});
  return out;
}

std::vector<BreadcrumbSegment> breadcrumbSegments(const ViewState& s) {
  std::vector<BreadcrumbSegment> out;
  if (!hasTree(s)) return out;
  const Tree& tree = *s.shown.tree;
  int32_t top = tree.rootIndex;
  if (s.review.open && isValidNode(s, s.review.root)) {
    top = s.review.root;
    out.push_back({std::u16string(text(Text::MarkedForDeletion)), u"", top});
  } else {
    out = splitRootPath(tree.rootPath);
    out.back().path.clear();
    out.back().node = top;
  }
  // The nodes below the top down to the view root, found from the view root upwards.
  std::vector<int32_t> chain;
  for (int32_t n = s.shown.viewRoot; isValidNode(s, n) && n != top; n = tree.node(n).parent) chain.push_back(n);
  if (!chain.empty() && tree.node(chain.back()).parent != top) chain.clear();   // not below the top
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) out.push_back({nodeName(tree, *it), u"", *it});
  return out;
}

void placeBreadcrumb(Breadcrumb& crumb, const PixelRect& pathBar, int32_t dpi, const TextMeasurer& measure) {
  crumb.separators.clear();
  crumb.ellipsis = {};
  size_t n = crumb.segments.size();
  if (n == 0) return;
  std::vector<double> widths(n);
  for (size_t i = 0; i < n; i++) widths[i] = measure.textWidth(TextStyle::LargeTitle, crumb.segments[i].name);
  double ellipsisWidth = measure.textWidth(TextStyle::Body, u"\u2026");
  double available = dipsFromPixels(pathBar.width(), dpi) - 2.0 * kBreadcrumbInset;
  auto pieceWidth = [](double text) { return text + 2.0 * kBreadcrumbPad; };

  // firstKept: the first segment after the first one that stays; collapsed are 1..firstKept-1.
  size_t firstKept = 1;
  for (; firstKept + 1 < n; firstKept++) {
    double total = pieceWidth(widths[0]);
    if (firstKept > 1) total += kBreadcrumbSeparator + pieceWidth(ellipsisWidth);
    for (size_t i = firstKept; i < n; i++) total += kBreadcrumbSeparator + pieceWidth(widths[i]);
    if (total <= available) break;
  }

  int32_t top = pathBar.top + scaleDip(6, dpi), bottom = pathBar.bottom - scaleDip(6, dpi);
  int32_t limit = pathBar.right - scaleDip(kBreadcrumbInset - kBreadcrumbPad, dpi);
  auto at = [&](double dips) { return std::min(limit, pathBar.left + scaleDip(static_cast<int64_t>(std::ceil(dips)), dpi)); };
  double x = kBreadcrumbInset - kBreadcrumbPad;   // left edge of the next piece, DIPs from the bar
  auto place = [&](double textWidth) {
    PixelRect r{at(x), top, at(x + pieceWidth(textWidth)), bottom};
    x += pieceWidth(textWidth);
    return r;
  };
  auto separator = [&] {
    crumb.separators.push_back({at(x), top, at(x + kBreadcrumbSeparator), bottom});
    x += kBreadcrumbSeparator;
  };
  crumb.segments[0].rect = place(widths[0]);
  crumb.segments[0].collapsed = false;
  if (firstKept > 1) {
    separator();
    crumb.ellipsis = place(ellipsisWidth);
  }
  for (size_t i = 1; i < n; i++) {
    BreadcrumbSegment& segment = crumb.segments[i];
    segment.collapsed = i < firstKept;
    if (segment.collapsed) {
      segment.rect = {};
      continue;
    }
    separator();
    segment.rect = place(widths[i]);
  }
}

bool isClickableSegment(const Breadcrumb& crumb, size_t index) {
  if (index + 1 >= crumb.segments.size()) return false;
  const BreadcrumbSegment& segment = crumb.segments[index];
  return !segment.collapsed && !segment.rect.empty() && (segment.node >= 0 || !segment.path.empty());
}
