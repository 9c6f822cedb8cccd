#include "ui/tooltip_text.h"

#include "config/language.h"
#include "config/text_format.h"
#include "engine/format.h"
#include "ui/status_text.h"
#include "ui/view_rules.h"
#include <cmath>

namespace {

std::u16string sizeModeTip(const ViewState& s, Text explanation) {
  std::u16string out(text(explanation));
  if (sizeModeFixedByPolicy(s)) {
    out += u'\n';
    out += text(Text::ManagedByYourOrganizationTheSize);
  }
  return out;
}

std::u16string replaced(std::u16string_view line, std::u16string_view from, std::u16string_view to) {
  std::u16string out;
  size_t start = 0;
  for (size_t at = line.find(from); at != std::u16string_view::npos; at = line.find(from, start)) {
    out += line.substr(start, at - start);
    out += to;
    start = at + from.size();
  }
  out += line.substr(start);
  return out;
}

}  // namespace

std::u16string tooltipText(const ViewState& s, int32_t tool, ErrorTextFunction errorText) {
  switch (tool) {
    case 2: {
      std::u16string out(text(Text::PaintTimeOfTheLastFrame));
      if (s.performance.lastZoomFps >= 0)
        out += formatText(text(Text::LastZoomFps_144), {static_cast<int64_t>(std::floor(s.performance.lastZoomFps + 0.5))});
      return out;
    }
    case 3:
      return formatText(text(Text::FoldersThatCouldntBeRead),
                        {hasTree(s) ? unreadableFoldersText(*s.shown.tree, u"\n", errorText) : std::u16string()});
    case 4: return sizeModeTip(s, Text::LogicalSizesTheSizeOfEach);
    case 5: return sizeModeTip(s, Text::SizesOnDiskWhatFilesReally);
    case 6:
      return std::u16string(text(panelState(s) == PerformancePanel::Open ? Text::ShowLessPerformanceData
                                                                          : Text::ShowMorePerformanceData));
    case 7: return replaced(statusLine(s), u" · ", u"\n");
    default:
      return formatText(text(Text::PeakWorkingSet), {formatSize(static_cast<int64_t>(s.performance.memory.peakWorkingSet))});
  }
}

int32_t tooltipMaxWidth(int32_t tool) { return tool == 3 || tool == 7 ? 640 : 360; }
