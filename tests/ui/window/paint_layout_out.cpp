// What the paint test window drew where, one item a line, tab-separated:
//   rect  NAME l t r b                      a region of the layout (client pixels)
//   text  NAME l t r b TEXT                 a text drawn in that rectangle
//   cell  x0 y0 x1 y1 COLOR qx qy lx ly NAME   a map cell (map pixels) with its cushion
//   value NAME NUMBER
// Tests check the picture against these places with colours they know themselves.
#include "paint_window.h"

#include "config/language.h"
#include "base/utf.h"
#include "treemap/schemes.h"
#include "ui/content_text.h"
#include "ui/drive_text.h"
#include "ui/performance_text.h"
#include "ui/status_text.h"
#include "ui/view_rules.h"
#include <cstdio>

namespace {

struct Writer {
  FILE* file;
  void rect(const char* name, const PixelRect& r) {
    fprintf(file, "rect\t%s\t%d\t%d\t%d\t%d\n", name, r.left, r.top, r.right, r.bottom);
  }
  void text(const char* name, const PixelRect& r, std::u16string_view t) {
    if (r.empty() || t.empty()) return;
    fprintf(file, "text\t%s\t%d\t%d\t%d\t%d\t%s\n", name, r.left, r.top, r.right, r.bottom, utf8FromUtf16(t).c_str());
  }
  void value(const char* name, double v) { fprintf(file, "value\t%s\t%.17g\n", name, v); }
};

void writeSidebar(Writer& out, const PaintWindow& w) {
  const SidebarLayout& bar = w.layout.sidebar;
  out.rect("icon", bar.icon);
  out.text("productName", bar.productName, text(Text::Mossbloom));
  out.text("tagline", bar.tagline, text(Text::DiskUsageAtAGlance));
  out.text("drivesHeading", bar.drivesHeading, text(Text::Drives));
  out.rect("driveList", bar.driveList);
  for (size_t i = 0; i < bar.driveRows.size(); i++) {
    std::string name = "drive" + std::to_string(i);
    out.rect(name.c_str(), bar.driveRows[i]);
  }
  out.rect("driveThumb", bar.driveThumb);
  out.text("scanModeHeading", bar.scanModeHeading, text(Text::ScanMode));
  out.rect("scanModeBox", bar.scanModeBox);
  out.rect("standardOption", bar.standardOption);
  out.rect("fastOption", bar.fastOption);
  out.rect("about", bar.about);
  out.rect("version", bar.version);
  out.rect("settings", bar.settings);
}

void writeMain(Writer& out, const PaintWindow& w) {
  const WindowLayout& l = w.layout;
  const ViewState& s = w.state;
  out.rect("upButton", l.upButton);
  out.rect("scanButton", l.scanButton);
  out.rect("continueButton", l.continueButton);
  out.rect("exportButton", l.exportButton);
  out.rect("pathBar", l.pathBar);
  for (size_t i = 0; i < l.breadcrumb.segments.size(); i++) {
    const BreadcrumbSegment& segment = l.breadcrumb.segments[i];
    std::string name = "segment" + std::to_string(i);
    if (!segment.collapsed) out.text(name.c_str(), segment.rect, segment.name);
  }
  if (!hasTree(s)) out.text("pathTitle", l.pathBar, pathTitle(s));
  out.text("summary", l.summaryLine, summaryLine(l.summary));
  out.rect("noticeBar", l.noticeBar);
  out.rect("noticeIcon", l.noticeIcon);
  out.text("noticeText", l.noticeText, s.notice.text);
  out.rect("noticeAction", l.noticeAction);
  out.rect("noticeClose", l.noticeClose);
  out.rect("searchField", l.searchField);
  out.rect("typesField", l.typesField);
  out.rect("sizeField", l.sizeField);
  out.rect("clearFilters", l.clearFilters);
  out.rect("logicalSizes", l.logicalSizes);
  out.rect("sizesOnDisk", l.sizesOnDisk);
  out.rect("decimalUnits", l.decimalUnits);
  out.rect("binaryUnits", l.binaryUnits);
  const Text tabs[3] = {Text::Map, Text::Files_111, Text::Extensions};
  for (int i = 0; i < 3; i++) {
    std::string name = "tab" + std::to_string(i);
    out.text(name.c_str(), l.tabs[i], text(tabs[i]));
  }
  out.rect("statusBar", l.status.bar);
  out.rect("statusText", l.status.text);
  out.text("status", l.status.text, statusLine(s));
  out.text("performanceSummary", l.status.performance, l.performanceSummary);
  out.rect("panelButton", l.status.panelButton);
  out.rect("panel", l.panel.panel);
  out.rect("panelTitle", l.panel.title);
  PerformanceCell cells[kPerformanceCells];
  performanceCells(s, cells);
  for (int i = 0; i < kPerformanceCells; i++) {
    std::string name = "cell" + std::to_string(i);
    out.text((name + ".label").c_str(), l.panel.cells[i], cells[i].label);
    out.text((name + ".value").c_str(), l.panel.cells[i], cells[i].value);
  }
  const ContentLayout& c = l.content;
  out.rect("content", c.panel);
  out.rect("map", c.map);
  out.text("scanTitle", c.scanTitle, s.scan.scanning ? scanningTitle(s) : u"");
  out.rect("progressTrack", c.progressTrack);
  out.rect("tipText", c.tipText);
  out.rect("useFastScan", c.useFastScan);
  out.rect("emptyIcon", c.emptyIcon);
  out.text("emptyText", c.emptyText, emptyState(s).text);
  out.rect("reviewCard", c.reviewCard);
}

void writeCells(Writer& out, const PaintWindow& w) {
  const ViewState& s = w.state;
  if (!s.treemap || !hasTree(s)) return;
  const TreemapRect* rects = s.treemap->rects();
  for (uint64_t i = 0; i < s.treemap->rectCount; i++) {
    const TreemapRect& r = rects[i];
    fprintf(out.file, "cell\t%d\t%d\t%d\t%d\t%06X\t%.17g\t%.17g\t%.17g\t%.17g\t%s\n", r.x0, r.y0, r.x1, r.y1, r.color,
            r.quadX, r.quadY, r.linX, r.linY, utf8FromUtf16(nodeName(*s.shown.tree, r.node)).c_str());
  }
}

}  // namespace

void writeLayoutFile(PaintWindow& w) {
  if (w.options.layoutOut.empty()) return;
  std::wstring temporary = w.options.layoutOut + L".part";
  FILE* file = _wfopen(temporary.c_str(), L"wb");
  if (!file) return;
  Writer out{file};
  const MapScheme& scheme = mapSchemeAt(w.state.mapScheme);
  out.value("state", static_cast<double>(w.options.state));
  out.value("dpi", w.state.dpi);
  out.value("dark", currentTheme().dark ? 1 : 0);
  out.value("scheme", w.state.mapScheme);
  out.value("ambient", scheme.ambient);
  out.value("intensity", scheme.intensity);
  out.value("hoverCell", w.state.hoverCell);
  out.value("mapUpdates", static_cast<double>(w.paint.map.updates));
  writeSidebar(out, w);
  writeMain(out, w);
  writeCells(out, w);
  fclose(file);
  // Whole or not at all: the test waits for the file to appear.
  MoveFileExW(temporary.c_str(), w.options.layoutOut.c_str(), MOVEFILE_REPLACE_EXISTING);
}
