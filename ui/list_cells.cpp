#include "ui/list_cells.h"

#include "config/text_format.h"
#include "engine/extensions.h"
#include "engine/format.h"
#include "treemap/schemes.h"
#include "ui/extension_rows.h"
#include "ui/file_rows.h"
#include "ui/lists.h"
#include <algorithm>
#include <cmath>

const ListColumnInfo kFileColumnInfo[kFileColumnCount] = {
    {Text::Name, 260, false},         {Text::Size, 90, true},       {Text::Share, 130, true},
    {Text::Type, 80, false},          {Text::DateModified, 150, false}, {Text::Folder_118, 320, false},
};
const ListColumnInfo kExtensionColumnInfo[kExtensionColumnCount] = {
    {Text::Extension, 140, false}, {Text::Category_120, 120, false}, {Text::Files_121, 100, true},
    {Text::Size, 110, true},       {Text::Share, 170, true},
};

namespace {

std::u16string fileCell(ViewState& s, int64_t row, int32_t column, DateTextFunction dateText) {
  const FileOrder order = fileOrderOf(s);
  const int32_t node = fileRowNode(s.lists.files, order, row);
  if (node < 0) return {};
  const Tree& tree = *s.shown.tree;
  switch (column) {
    case kFileName: return nodeName(tree, node);
    case kFileSize: return formatSize(fileSizeIn(tree, node, order.onDisk));
    case kFileShare: return shareText(fileSizeIn(tree, node, order.onDisk), s.lists.viewTotal);
    case kFileType: return fileTypeText(tree, node);
    case kFileDate: {
      int64_t time = modifiedTime(tree, node);
      return time != 0 && dateText ? dateText(time) : std::u16string();
    }
    case kFileFolder: {
      int32_t parent = tree.node(node).parent;
      if (parent == s.shown.viewRoot || parent < 0) return {};
      std::u16string path = nodePath(tree, parent);
      const std::u16string& prefix = s.lists.viewPath;
      if (path.size() >= prefix.size() && std::u16string_view(path).substr(0, prefix.size()) == prefix)
        path.erase(0, prefix.size());
      return path;
    }
    default: return {};
  }
}

std::u16string extensionCell(const ViewState& s, int64_t row, int32_t column) {
  const ExtensionEntry* entry = extensionRow(s.lists.types, row);
  if (!entry) return {};
  switch (column) {
    case kExtensionName: return entry->extension.empty() ? std::u16string(text(Text::None)) : entry->extension;
    case kExtensionCategory: return std::u16string(categoryOfExtension(entry->extension));
    case kExtensionFiles: return formatCount(static_cast<int64_t>(entry->fileCount));
    case kExtensionSize: return formatSize(entry->bytes);
    case kExtensionShare: return shareText(entry->bytes, s.lists.viewTotal);
    default: return {};
  }
}

}  // namespace

const ListColumnInfo* listColumns(MainView view, int32_t& count) {
  switch (view) {
    case MainView::Files: count = kFileColumnCount; return kFileColumnInfo;
    case MainView::Extensions: count = kExtensionColumnCount; return kExtensionColumnInfo;
    default: count = 0; return nullptr;
  }
}

int32_t lastColumnWidth(int32_t clientWidth, int32_t otherColumnsWidth, int32_t dpi) {
  return std::max(scaleDip(80, dpi), clientWidth - otherColumnsWidth);
}

std::u16string listCellText(ViewState& s, MainView view, int64_t row, int32_t column, DateTextFunction dateText) {
  if (!listRowsCurrent(s, view)) return {};
  return view == MainView::Files ? fileCell(s, row, column, dateText) : extensionCell(s, row, column);
}

std::u16string fileTypeText(const Tree& tree, int32_t node) {
  size_t start = 0, length = 0;
  nameExtensionSpan(tree, node, start, length);
  NodeNameView name = nodeNameView(tree, node);
  std::u16string out;
  out.reserve(length);
  for (size_t i = start; i < start + length; i++) {
    char16_t c = name[i];
    out += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  }
  return out;
}

std::u16string shareText(int64_t size, int64_t total) {
  double percent = total > 0 ? static_cast<double>(size) * 100.0 / static_cast<double>(total) : 0.0;
  return formatText(text(Text::Text289), {formatOneDecimal(percent)});
}

int32_t shareColumn(MainView view) {
  return view == MainView::Files ? kFileShare : view == MainView::Extensions ? kExtensionShare : -1;
}

ShareBar shareBar(ViewState& s, MainView view, int64_t row, const PixelRect& cell, int32_t dpi) {
  ShareBar bar;
  if (!listRowsCurrent(s, view)) return bar;
  int64_t size = 0;
  if (view == MainView::Files) {
    const FileOrder order = fileOrderOf(s);
    int32_t node = fileRowNode(s.lists.files, order, row);
    if (node < 0) return bar;
    size = fileSizeIn(*s.shown.tree, node, order.onDisk);
    bar.color = schemeColorOf(mapSchemeAt(s.mapScheme), *s.shown.tree, node);
  } else {
    const ExtensionEntry* entry = extensionRow(s.lists.types, row);
    if (!entry) return bar;
    size = entry->bytes;
    bar.color = typeColor(mapSchemeAt(s.mapScheme), entry->extension.data(), entry->extension.size());
  }
  auto px = [dpi](int32_t dips) { return scaleDip(dips, dpi); };
  const int32_t length = cell.width() - px(80);
  if (length < px(16)) return bar;
  const int32_t left = cell.left + px(8);
  const int32_t top = (cell.top + cell.bottom) / 2 - px(2);
  double share = s.lists.viewTotal > 0 ? static_cast<double>(size) / static_cast<double>(s.lists.viewTotal) : 0.0;
  share = std::clamp(share, 0.0, 1.0);
  const int32_t filled = std::max(1, static_cast<int32_t>(std::lround(share * length)));
  bar.shown = true;
  bar.track = {left, top, left + length, top + px(4)};
  bar.fill = {left, top, left + filled, top + px(4)};
  return bar;
}

HeaderItemLayout headerItemLayout(const PixelRect& item, int32_t dpi, bool sorted, bool ascending) {
  auto px = [dpi](int32_t dips) { return scaleDip(dips, dpi); };
  HeaderItemLayout out;
  out.text = {item.left + px(8), item.top, std::max(item.left + px(8), item.right - px(8)), item.bottom};
  out.separator = {item.right - 1, item.top + px(6), item.right, std::max(item.top + px(6), item.bottom - px(6))};
  if (!sorted) return out;
  out.arrow = true;
  const int32_t centre = (item.left + item.right) / 2;
  const int32_t top = item.top + px(2), bottom = top + px(4), half = px(8) / 2;
  const int32_t apexY = ascending ? top : bottom, baseY = ascending ? bottom : top;
  out.arrowX[0] = centre, out.arrowY[0] = apexY;
  out.arrowX[1] = centre - half, out.arrowY[1] = baseY;
  out.arrowX[2] = centre + half, out.arrowY[2] = baseY;
  return out;
}

ListColors listColors(const ThemeColors& theme) {
  ListColors c;
  c.background = theme.background;
  c.text = theme.text;
  c.headerBackground = theme.background;
  c.headerHot = theme.controlHover;
  c.headerText = theme.secondaryText;
  c.headerSeparator = theme.stroke;
  c.track = theme.track;
  return c;
}
