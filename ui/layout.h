// The layout pass of the main window: every region's rectangle in client pixels,
// computed from a ViewState and measured texts. Lengths are fixed in DIPs and scaled
// with scaleDip; edges anchored at the client's right or bottom are measured from it.
// Painting draws into these rectangles and hit testing tests against them.
//
// Threading: window thread. Run on creation, on size and DPI changes, and whenever the
// drives, the notice, the panel, the review or the administrator state change.
//
// Sections: records · the pass · parts (used by the pass and by tests)
#pragma once
#include "ui/breadcrumb.h"
#include "render/pixel_rect.h"
#include "render/scale.h"
#include "ui/summary_text.h"
#include "ui/text_measure.h"
#include "ui/view_state.h"
#include <string>
#include <vector>

// --- Records -----------------------------------------------------------------------
struct SidebarLayout {
  int32_t width = 0;              // SW, DIPs
  int32_t maxWidth = 0;           // DIPs
  int32_t automaticWidth = 0;     // DIPs, before clamping
  PixelRect icon, productName, tagline;
  PixelRect drivesHeading;
  PixelRect driveList;                 // the visible part of the list
  std::vector<PixelRect> driveRows;    // shifted by the scroll position, not clipped
  int32_t driveScroll = 0;        // pixels, clamped to 0..driveScrollRange
  int32_t driveScrollRange = 0;
  PixelRect driveThumb;                // empty without an overflow
  PixelRect scanModeHeading, scanModeBox, standardOption, fastOption;
  PixelRect elevateCheck;              // inside the lower option, when it applies
  PixelRect adminLabel;                // "Running as administrator"
  PixelRect footer, about, version, settings;
  PixelRect splitter;
};

struct StatusBarLayout {
  PixelRect bar;
  PixelRect marksPill;                 // when items are marked
  PixelRect text;                      // the left part
  PixelRect separator;                 // 1 DIP before the performance summary
  PixelRect performance;               // the performance summary (panel folded)
  PixelRect panelButton;               // folded: at the bar's right end; open: the panel's fold button
};

constexpr int kPerformanceCellCount = 12;
struct PanelLayout {
  PixelRect panel;                     // empty unless open
  PixelRect title;
  PixelRect cells[kPerformanceCellCount];
};

struct ContentLayout {
  PixelRect panel;
  PixelRect map;                       // the map area
  int32_t centreY = 0;            // the map area's centre line
  PixelRect reviewCard, reviewText, reviewMain, reviewSecond, reviewBack;
  PixelRect scanTitle, scanLine, progressTrack, tipText, useFastScan;   // while scanning
  PixelRect emptyIcon, emptyText;      // no tree, or a view root that weighs nothing
};

// Tooltip tools 1..7 of the main window ([0] unused): 1 peak working set, 2 frame
// rate, 3 unreadable folders, 4 logical sizes, 5 sizes on disk, 6 panel button,
// 7 status line.
constexpr int kTooltipCount = 8;

struct WindowLayout {
  int32_t dpi = 96;
  int32_t noticeShift = 0;        // DIPs: 48 while a notice is shown
  SidebarLayout sidebar;

  PixelRect continueButton, upButton, scanButton, exportButton;   // left to right
  PixelRect pathBar, addressEdit;
  Breadcrumb breadcrumb;
  PixelRect summaryLine;
  SummaryText summary;
  SummaryFit summaryFit;
  PixelRect summaryHead, summaryPiece, summaryTail;

  PixelRect noticeBar, noticeIcon, noticeText, noticeAction, noticeClose;
  PixelRect searchField, typesField, sizeField, clearFilters;
  PixelRect logicalSizes, sizesOnDisk, decimalUnits, binaryUnits;
  PixelRect tabs[3];

  StatusBarLayout status;
  std::u16string performanceSummary;   // the status bar's right part
  PanelLayout panel;
  // The "Performance details" header's two parts: folded, the summary and the panel
  // button; open, the panel's title and its fold button. Empty while hidden.
  PixelRect performanceHeader[2];
  ContentLayout content;
  PixelRect tooltips[kTooltipCount];
};

// --- The pass ------------------------------------------------------------------------
WindowLayout layoutWindow(const ViewState& s, const TextMeasurer& measure);

// --- Parts -----------------------------------------------------------------------------
// Largest sidebar width for the window's outer width: 312 + (width − 960) DIPs,
// limited to 312 … 480.
int32_t sidebarMaxWidth(const ViewState& s);
// The widest of the sidebar's texts with their offsets, DIPs (rounded up).
int32_t automaticSidebarWidth(const ViewState& s, const TextMeasurer& measure);
// The user's width, or the automatic one when it is 0, limited to 220 … the largest.
int32_t effectiveSidebarWidth(int32_t setting, int32_t automatic, int32_t maximum);
constexpr int32_t kSidebarMinWidth = 220;

// A toolbar button's width in DIPs: 16 + icon + 8 + label + 16 over every label it can
// show, at least `minimum`.
struct IconLabel {
  char16_t icon;
  std::u16string_view label;
};
int32_t toolbarButtonWidth(const IconLabel* labels, size_t count, int32_t minimum, const TextMeasurer& measure);

void layoutSidebar(const ViewState& s, const TextMeasurer& measure, WindowLayout& out);
void layoutToolbarAndPath(const ViewState& s, const TextMeasurer& measure, WindowLayout& out);
void layoutBars(const ViewState& s, const TextMeasurer& measure, WindowLayout& out);        // notice, filter, tabs
void layoutBottom(const ViewState& s, const TextMeasurer& measure, WindowLayout& out);      // status, panel, content
