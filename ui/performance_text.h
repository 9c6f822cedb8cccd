// The performance figures as the window shows them: the panel's twelve cells (the
// frame rate is render/frame_timing.h's), the summary folded into the status bar,
// and the same figures as one accessible value.
//
// Threading: window thread (texts come from the loaded language pack).
#pragma once
#include "ui/view_state.h"
#include <string>

struct PerformanceCell {
  std::u16string_view label;
  std::u16string value;         // empty while the figure is unknown
};
constexpr int kPerformanceCells = 12;
// Startup, Scan, Aggregate, Layout, Render, Items, Throughput, Tree memory, Working
// set, Frame, Private bytes, Filter.
void performanceCells(const ViewState& s, PerformanceCell (&cells)[kPerformanceCells]);

// The status bar's right part: "1.23 s walk · 1,234 items · 45.6 MB", or
// "Startup 120 ms · 45.6 MB" before a scan's time is known.
std::u16string performanceSummary(const ViewState& s);

// "Startup 120 ms, Scan 1.23 s walk, …" with the peak working set after the ninth
// pair and the last zoom's rate after the tenth.
std::u16string performanceAccessibleValue(const ViewState& s);
