#include "ui/performance_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/view_rules.h"
#include <cmath>

namespace {

std::u16string durationOrNothing(double ms) { return ms >= 0 ? formatDuration(ms) : std::u16string(); }

int64_t itemCount(const Tree& tree) { return tree.fileCount + tree.folderCount; }

// " walk", " MFT" or " CSV" after a scan's duration.
std::u16string methodSuffix(TreeSource source) {
  if (source == TreeSource::Walk) return std::u16string(text(Text::Walk_94));
  std::u16string suffix(1, u' ');
  suffix += text(source == TreeSource::Mft ? Text::MFT : Text::CSV);
  return suffix;
}

int64_t roundedFps(double fps) { return static_cast<int64_t>(std::floor(fps + 0.5)); }

}  // namespace

void performanceCells(const ViewState& s, PerformanceCell (&cells)[kPerformanceCells]) {
  const Text labels[kPerformanceCells] = {Text::Startup_130, Text::Scan_131,   Text::Aggregate,    Text::Layout,
                                          Text::Render,      Text::Items,      Text::Throughput,   Text::TreeMemory,
                                          Text::WorkingSet,  Text::Frame,      Text::PrivateBytes, Text::Filter};
  for (int i = 0; i < kPerformanceCells; i++) cells[i] = {text(labels[i]), {}};
  const PerformanceFigures& p = s.performance;
  cells[0].value = formatDuration(p.startupMs);
  if (hasTree(s)) {
    const Tree& tree = *s.shown.tree;
    if (s.shown.scanMs >= 0) cells[1].value = formatDuration(s.shown.scanMs) + methodSuffix(s.shown.source);
    cells[2].value = durationOrNothing(s.shown.aggregateMs);
    cells[5].value = formatCount(itemCount(tree));
    if (s.shown.scanMs > 0)
      cells[6].value = formatCount(roundedFps(itemCount(tree) * 1000.0 / s.shown.scanMs)) + u"/s";
    cells[7].value = formatSize(treeBytes(tree));
  }
  cells[3].value = durationOrNothing(p.layoutMs);
  cells[4].value = durationOrNothing(p.renderMs);
  cells[8].value = formatSize(static_cast<int64_t>(p.memory.workingSet));
  cells[9].value = formatText(text(Text::Fps), {formatDuration(p.frames.paintMs), roundedFps(frameRate(p.frames, s.nowMs))});
  cells[10].value = formatSize(static_cast<int64_t>(p.memory.privateBytes));
  cells[11].value = durationOrNothing(p.filterMs);
}

std::u16string performanceSummary(const ViewState& s) {
  std::u16string privateBytes = formatSize(static_cast<int64_t>(s.performance.memory.privateBytes));
  if (!hasTree(s) || s.shown.scanMs < 0)
    return formatText(text(Text::Startup_125), {formatDuration(s.performance.startupMs), privateBytes});
  const Tree& tree = *s.shown.tree;
  std::u16string out = formatDuration(s.shown.scanMs);
  out += u' ';
  out += s.shown.source == TreeSource::Walk ? text(Text::Walk_95) : text(s.shown.source == TreeSource::Mft ? Text::MFT : Text::CSV);
  out += u" · ";
  out += formatPlural(itemCount(tree), text(Text::Item), {formatCount(itemCount(tree))});
  out += u" · ";
  out += privateBytes;
  return out;
}

std::u16string performanceAccessibleValue(const ViewState& s) {
  PerformanceCell cells[kPerformanceCells];
  performanceCells(s, cells);
  std::u16string out;
  for (int i = 0; i < kPerformanceCells; i++) {
    if (i > 0) out += u", ";
    out += cells[i].label;
    out += u' ';
    out += cells[i].value;
    if (i == 8) out += formatText(text(Text::Peak), {formatSize(static_cast<int64_t>(s.performance.memory.peakWorkingSet))});
    if (i == 9 && s.performance.lastZoomFps >= 0)
      out += formatText(text(Text::LastZoomFps_147), {roundedFps(s.performance.lastZoomFps)});
  }
  return out;
}
