#include "ui/status_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/navigation.h"
#include "ui/review_text.h"
#include "ui/view_rules.h"
#include <algorithm>
#include <cmath>

std::u16string nodeSizeText(const ViewState& s, int32_t node) {
  if (!isValidNode(s, node)) return {};
  const Tree& tree = *s.shown.tree;
  std::u16string out = formatSize(shownSize(s, node));
  if (isFolder(tree, node)) return out;
  int64_t logical = logicalSize(tree, node), onDisk = onDiskSize(tree, node);
  if (logical == onDisk) return out;
  if (onDisk == 0 && logical > 0) out += text(Text::OnlineOnly);
  if (s.settings.sizeMode == SizeMode::OnDisk) out += formatText(text(Text::OnDiskLogical), {formatSize(logical)});
  else out += formatText(text(Text::OnDisk_107), {formatSize(onDisk)});
  return out;
}

HoverLine hoverLine(const ViewState& s, int32_t node) {
  HoverLine line;
  if (!isValidNode(s, node)) return line;
  const Tree& tree = *s.shown.tree;
  std::u16string path = nodePath(tree, node);
  size_t cut = path.find_last_of(pathSeparatorFor(tree.rootPath));
  // A root path ending in its separator ("C:\") names itself.
  if (cut == std::u16string::npos || cut + 1 == path.size()) {
    line.name = path;
  } else {
    line.folder = path.substr(0, cut + 1);
    line.name = path.substr(cut + 1);
  }
  int64_t size = shownSize(s, node), viewSize = shownSize(s, s.shown.viewRoot);
  double percent = viewSize < 1 ? 0 : static_cast<double>(size) * 100.0 / static_cast<double>(viewSize);
  line.info = formatText(text(Text::OfView), {nodeSizeText(s, node), formatOneDecimal(percent)});
  int32_t parent = tree.node(node).parent;
  if (node != tree.rootIndex && isValidNode(s, parent))
    line.parent = nodeName(tree, parent) + u"  " + formatSize(shownSize(s, parent));
  line.failure = deletionErrorOf(s, node);
  return line;
}

int32_t hoverLineNode(const ViewState& s) {
  if (!hasTree(s) || s.scan.scanning) return -1;
  if (s.currentView == MainView::Map) {
    if (s.treemap && s.hoverCell >= 0 && static_cast<uint64_t>(s.hoverCell) < s.treemap->rectCount)
      return s.treemap->rects()[s.hoverCell].node;
    if (s.focusVisible && s.windowHasFocus && s.focus.id == ElementId::Map) {
      int32_t cell = focusedCell(s);
      if (cell >= 0) return s.treemap->rects()[cell].node;
    }
    return -1;
  }
  if (s.currentView == MainView::Files) return s.selection.count == 1 ? s.selection.singleNode : -1;
  return -1;
}

StatusText statusText(const ViewState& s) {
  StatusText out;
  if (s.hover.id == ElementId::MarksPill && marksPillShown(s)) {
    out.kind = StatusKind::PillHint;
    out.text = text(Text::MarkedForDeletionNothingIsDeleted);
  } else if (!s.statusMessage.empty()) {
    out.kind = StatusKind::Message;
    out.text = s.statusMessage;
  } else if (!s.marks.leftOutText.empty()) {
    out.kind = StatusKind::LeftOut;
    out.text = s.marks.leftOutText;
  } else if (s.selection.count >= 2 && s.currentView != MainView::Map) {
    out.kind = StatusKind::Selection;
    out.text = formatPlural(s.selection.count, text(s.selection.types ? Text::TypeSelected : Text::FileSelected),
                            {formatCount(s.selection.count), formatSize(s.selection.bytes)});
  } else if (int32_t node = hoverLineNode(s); node >= 0) {
    out.kind = StatusKind::Hover;
    out.hover = hoverLine(s, node);
  } else if (hasTree(s) && !s.scan.scanning) {
    out.kind = StatusKind::Hint;
    Text hint = s.currentView == MainView::Map    ? Text::DoubleClickOrWheelUpTo
                : s.currentView == MainView::Files ? Text::DoubleClickOrEnterShowIn
                                                   : Text::DoubleClickOrEnterShowOnly;
    out.text = text(hint);
  }
  return out;
}

std::u16string statusLine(const ViewState& s) {
  StatusText status = statusText(s);
  if (status.kind != StatusKind::Hover) return status.text;
  const HoverLine& h = status.hover;
  std::u16string out = h.folder + h.name + u" · " + h.info;
  if (!h.parent.empty()) out += u" · " + h.parent;
  if (!h.failure.empty()) out += u" · " + h.failure;
  return out;
}

HoverLineLayout placeHoverLine(const HoverLine& line, const PixelRect& area, int32_t dpi, const TextMeasurer& measure) {
  auto px = [dpi](double dips) { return scaleDip(static_cast<int64_t>(std::ceil(dips)), dpi); };
  auto width = [&](TextStyle style, const std::u16string& t) { return t.empty() ? 0.0 : measure.textWidth(style, t); };
  HoverLineLayout out;
  const double A = dipsFromPixels(area.width(), dpi);
  double parent = line.parent.empty() ? 0 : std::min(A / 4, width(TextStyle::Caption, line.parent) + 4);
  double B = std::max(0.0, A - parent - 16);
  double failure = line.failure.empty() ? 0 : std::min(B / 3, width(TextStyle::Caption, line.failure) + 16);
  double D = std::max(0.0, B - failure);
  double info = std::min(D / 3, width(TextStyle::BodyStrong, line.info) + 2);
  double name = std::min(std::max(0.0, D - info - 10) / 2, width(TextStyle::Caption, line.name) + 2);
  double folder = std::max(0.0, std::min(D - info - 10 - name, width(TextStyle::Caption, line.folder) + 1));
  const int32_t top = area.top, bottom = area.bottom;
  if (parent > 0) out.parent = {area.right - px(parent), top, area.right, bottom};
  double x = 0;
  auto next = [&](double w) {
    PixelRect r{area.left + px(x), top, std::min(area.right, area.left + px(x + w)), bottom};
    x += w;
    return r;
  };
  out.folder = next(folder);
  out.name = next(name);
  x += 10;
  out.info = next(info);
  x += 16;
  if (failure > 0) out.failure = next(failure);
  return out;
}
