// A test-only window that paints the main window's picture (ui/win32/main_paint.h)
// from a ViewState of its own, until the real window procedure drives it. It scans
// a real folder with the engine at start and can be switched between the window's
// states by a posted message, so that tests capture every state; a bench mode times
// paints on a synthetic 500 000-file tree, an idle mode repaints once a second.
//
// Threading: the window thread owns everything here, except what the render-start
// thread writes into RenderStartShared before its message.
#pragma once
#include "render/win32/render_start.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include "ui/win32/main_paint.h"
#include <string>
#include <vector>

constexpr wchar_t kPaintWindowClass[] = L"MossbloomPaintTest";

// Messages the tests post.
constexpr UINT kStateMessage = WM_APP + 70;       // wParam: a PaintState
constexpr UINT kLayoutOutMessage = WM_APP + 71;   // write the layout file now (--layout-out)
constexpr UINT kBenchMessage = WM_APP + 72;       // run the benchmark (--bench), then close
constexpr UINT kSchemeMessage = WM_APP + 73;      // wParam: the colour scheme 0..4
constexpr UINT kHoverCellMessage = WM_APP + 74;   // wParam: a map cell to hover (-1: none)
constexpr UINT kFocusMessage = WM_APP + 75;       // wParam: an element code to show the focus ring on (0: none)

enum class PaintState : int32_t {
  NoDrive = 0,       // drives listed, nothing chosen
  Scanning = 1,      // a directory walk after 5 s: moving segment, the fast-scan tip
  ScanningMft = 2,   // a fast scan at 40 %
  Map = 3,           // the scanned tree in the Map view
  Filtered = 4,      // "*.jpg" in the search field
  NoMatch = 5,       // a filter nothing passes
  EmptyFolder = 6,   // the view root is an empty folder (logical sizes)
  Cloud = 7,         // the same on disk: online-only files
  Exporting = 8,
  NoticeAndPanel = 9,   // a notice with an action, the performance panel open
  Review = 10,       // the deletion review (its marks come later)
  PanelHidden = 11,
  Count = 12,
};

struct PaintOptions {
  bool testInput = false;
  int32_t width = 1280, height = 820;   // client size
  int32_t themeOverride = -1;
  uint32_t dpi = 0;                      // 0: the window's
  std::u16string folder;                 // scanned at start
  PaintState state = PaintState::Map;
  int32_t scheme = 0;
  std::wstring layoutOut;
  int32_t benchRuns = 0;                 // --bench N
  int64_t benchFiles = 500000;
  std::wstring benchOut;
  bool idle = false;                     // --idle: the 1 s memory timer repaints
  bool blank = false;                    // --blank: only a cleared frame, once a second
  bool animationsOff = false;
  bool benchZoom = false;                // --bench-zoom: the zoom transition's frames instead (zoom_bench.cpp)
};

struct PaintWindow {
  PaintOptions options;
  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  DeviceBoundResources resources;
  RenderStartShared start;
  Thread startThread;
  bool painting = false;
  MainPaint paint;
  ViewState state;
  WindowLayout layout;
  Tree* tree = nullptr;                  // the scanned fixture, or the synthetic tree
  std::vector<float> weights;
  double scanMs = 0, aggregateMs = 0;
  uint32_t paints = 0;
  double lastDrawMs = 0;                 // the drawing callback of the last paint
  bool lastFramePartial = false;         // the last frame drew and presented only its damage
  uint64_t partialFrames = 0;
};

// paint_states.cpp: the view state of each test state, and the filter the window applies.
void seedState(PaintWindow& w);                 // drives, settings, facts, the scanned tree
void enterState(PaintWindow& w, PaintState state);
void applyTestFilter(PaintWindow& w, std::u16string_view search);
// paint_layout_out.cpp: what was drawn where, for the tests.
void writeLayoutFile(PaintWindow& w);
// paint_bench.cpp
Tree* buildSyntheticTree(int64_t files);
void runPaintBench(PaintWindow& w);
// zoom_bench.cpp
void runZoomBench(PaintWindow& w);
// paint_window.cpp
void relayoutTestWindow(PaintWindow& w);
void paintNow(PaintWindow& w);
// Repaints only a part, as the main window does for a hover over the map (paint_cache.h).
void paintPartNow(PaintWindow& w, const PixelRect& r);
void invalidatePart(PaintWindow& w, const PixelRect& r);
// What the main window invalidates when the hovered cell changes (hoverDamage), and
// that paint at once.
void invalidateHover(PaintWindow& w);
void paintHoverNow(PaintWindow& w);
