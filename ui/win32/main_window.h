// The main window on Windows: the record behind its window procedure and the
// entry points the normal start calls. Everything the window decides lives in
// the portable ViewState (ui/view_state.h); this side turns messages into calls
// on it, runs the effects the calls return, and keeps what needs the system:
// handles, the device, the threads and the map's cells.
//
// Threads and ownership.
//  - The window thread owns MainWindow and everything in it, except the two
//    records it shares:
//  - `renderStart`: the render-start thread writes its results, then posts
//    kRendererStartedMessage; the window reads them only on that message, after
//    joining the thread.
//  - `handOver` (engine/scan_driver.h, which says who writes what): the scan,
//    continue or import thread writes the atomics (progress, cancel, mftScanInUse)
//    while it runs, stores its result and posts kScanDoneMessage with its
//    generation through `scanDone`. The window takes the result only after joining
//    that thread, and only when the generation is the newest; from then on the
//    window thread is the only reader and writer of the tree (it lives in
//    state.shown.tree) until it frees it or hands it to a continue thread.
//    A cancelled scan is joined before anything else happens, so no scan thread
//    outlives the tree it writes.
//  - `exportRun` (export_thread.h): the export thread reads the shown tree and writes
//    the progress atomics while it runs, stores its result and posts
//    kExportDoneMessage; the window reads the result only after joining it, and
//    never changes or replaces the tree while it runs.
//
// Sections: messages · the record · entry points (the normal start) · parts (files)
#pragma once
#include "config/program_settings.h"
#include "engine/scan_driver.h"
#include "render/win32/map_overlay.h"
#include "render/win32/render_start.h"
#include "ui/effects.h"
#include "ui/keyboard.h"
#include "ui/layout.h"
#include "ui/view_state.h"
#include "ui/win32/deletion_thread.h"
#include "ui/win32/export_thread.h"
#include "ui/win32/main_paint.h"
#include <string>
#include <vector>

// --- Messages ------------------------------------------------------------------------
constexpr wchar_t kMainWindowClass[] = L"MossbloomWindow";
constexpr UINT kScanDoneMessage = WM_APP + 1;       // wParam: the scan's generation
constexpr UINT kScanRequestMessage = WM_APP + 2;    // wParam: drive index or -1; lParam: ScanRequestText* or 0
constexpr UINT kAddressBlurMessage = WM_APP + 3;
constexpr UINT kElementInvokeMessage = WM_APP + 7;  // wParam: element code
// Posted to itself: the window answers the system's broadcasts at once and does
// the work afterwards, outside the sender's SendMessage (wParam: 1 policy, 2 theme).
constexpr UINT kSettingChangedMessage = WM_APP + 40;
// Test-input mode only: behave as after WM_DPICHANGED to the DPI in wParam, the
// window keeping its top-left corner (Wine's DPI never changes by itself).
constexpr UINT kTestDpiChangeMessage = WM_APP + 60;
// Test-input mode only: choose the map's colour scheme wParam (0..4), as the
// Settings window and the map's context menu do.
constexpr UINT kTestSchemeMessage = WM_APP + 61;
// Test-input mode only: the map's transitions run wParam (1-100) times slower, so that
// a loaded test machine still draws frames between their ends.
constexpr UINT kTestTransitionSlowdownMessage = WM_APP + 62;

// The folder of a scan request, heap-allocated by the sender, freed by the window.
struct ScanRequestText {
  std::u16string path;
};

// Timers of the main window.
enum : UINT_PTR {
  kScanTimer = 1,         // 50 ms while a scan runs: the progress
  kMemoryTimer = 2,       // 1000 ms: the memory counters
  kResizeTimer = 3,       // 150 ms after the last size change
  kFilterTimer = 4,       // 250 ms after an edit of a filter field
  kMotionTimer = 8,       // 15 ms while something on the picture moves (PaintMotion)
  kPanelTimer = 9,        // 15 ms while the performance panel slides
  kUpdateTimer = 11,      // 3000 ms, then hourly: the update scheduler
  kLavaTimer = 14,        // 15 ms while the map's lava flows
  kTransitionTimer = 17,  // 15 ms while a zoom or marks transition runs
};

// Control ids of the child windows.
enum : int32_t { kSearchEditId = 30, kTypesEditId = 31, kSizeEditId = 32, kAddressEditId = 33 };
enum : int32_t { kFilesListId = 40, kExtensionsListId = 41 };

// --- The record ------------------------------------------------------------------------
// The scan thread's last call: the done message, with the generation, to `window`.
struct ScanDonePoster final : ScanReceiver {
  HWND window = nullptr;   // set on WM_CREATE, before the first scan
  void scanDone(uint32_t generation) override { PostMessageW(window, kScanDoneMessage, generation, 0); }
};

struct MainWindow {
  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  // From the start.
  bool testInput = false;
  bool activate = false;
  bool noElevate = false;
  bool launchedInteractively = true;
  int32_t showCommand = SW_SHOWNORMAL;   // for the first show, after the placement
  int32_t themeOverride = -1, accentIndex = -1;
  std::u16string importPath;             // --import: the restart line names it
  ProgramSettings settings;              // the settings file and the policies in force

  ViewState state;
  WindowLayout layout;
  bool layoutValid = false;

  // Drawing.
  RenderStartShared renderStart;
  Thread renderThread;
  bool painting = false;                 // Direct2D has started
  DeviceBoundResources resources;
  MapOverlay overlay;
  MainPaint paint;                       // the picture: the map's cells and bitmap, animations
  bool lavaTimerOn = false;              // kLavaTimer is set

  // The scan's threads and what they share.
  ScanHandOver handOver;
  ScanDonePoster scanDone;
  Thread scanThread;
  std::vector<float> weights;            // the filter's, one per node of the shown tree

  // The deletion thread and its job (ui/win32/deletion_thread.h).
  DeletionRun deletion;
  // The export thread and what it shares (export_thread.h).
  ExportRun exportRun;

  // Child windows.
  HWND tooltip = nullptr;
  HWND edits[4] = {};                    // search, types, minimum size, address
  HBRUSH editBrush = nullptr;
  uint32_t editBrushColor = 0;
  HWND lists[2] = {};                    // Files, Extensions (ui/win32/list_views.cpp)
  uint32_t listColorsApplied[2] = {};    // the theme's background each list was last given, +1
  HWND suggestionPopup = nullptr;        // ui/win32/suggestion_popup.cpp
  DeviceBoundResources popupResources;

  // Input.
  bool inputSeenAtStart = false;         // raw input until the first show
  bool trackingLeave = false;
  std::u16string tipText;                // the tooltip's text until the next request
  double panelAnimationStart = 0;
};

// --- Entry points (the normal start) -------------------------------------------------------
// The record is made before the window, so that the render-start thread can be given
// its shared part; it lives until the process ends.
MainWindow* newMainWindow();
// Registers the class (the icon from resource 1, the arrow cursor, no background) and
// creates the window hidden: 1280 × 820 at the system DPI, clamped to the work area
// and centred; WS_EX_NOACTIVATE | WS_EX_APPWINDOW in test-input mode. Null on failure.
HWND createMainWindow(MainWindow& w);
// The `window` setting applied when usable (at least 400 × 300 and on a monitor); with
// `,max` a normal show becomes maximised. Returns the show command for the first show.
int32_t restoreWindowPlacement(MainWindow& w, int32_t showCommand);
// A notice shown before the window paints (command-line errors, "updated to").
void showStartNotice(MainWindow& w, NoticeKind kind, std::u16string_view text);
// Raw mouse and keyboard input, until the first show, tells whether the user was busy.
void registerStartInput(MainWindow& w);

// --- Parts -----------------------------------------------------------------------------------
LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// main_window_create.cpp
void onCreate(MainWindow& w);
void saveWindowPlacement(MainWindow& w);
// main_window_show.cpp
void onRendererStarted(MainWindow& w, bool succeeded);
void setKeyboardFocus(MainWindow& w, HWND target);
bool mayTakeFocus(const MainWindow& w);
// main_window_layout.cpp
void relayout(MainWindow& w);
void refreshInputs(MainWindow& w);       // the clock and the scan's counters into the state
void repaint(MainWindow& w);
void onSize(MainWindow& w, WPARAM kind);
void onDpiChanged(MainWindow& w, uint32_t dpi, const RECT& suggested);
// main_window_effects.cpp
void runOutcome(MainWindow& w, Outcome& outcome);
void showNoticeNow(MainWindow& w, NoticeKind kind, std::u16string_view text);
// main_window_transitions.cpp: the map's zoom and marks transitions (instant when
// they cannot be animated); kTransitionTimer; a zoom ended early (`measure` false
// after a size change of the map area).
void zoomMapNow(MainWindow& w, const Effect& e);
void startMarksTransitionNow(MainWindow& w, bool vanish);
void onTransitionTimer(MainWindow& w);
void endZoomTransitionNow(MainWindow& w, bool measure);
// main_window_scan.cpp
void beginScanThread(MainWindow& w, const Effect& e);
void beginImportThread(MainWindow& w, const Effect& e);
void beginContinueThread(MainWindow& w, Effect& e);
void cancelScanThread(MainWindow& w);
void onScanDone(MainWindow& w, uint32_t generation);
void onScanRequest(MainWindow& w, int32_t driveIndex, ScanRequestText* text);
// main_window_filter.cpp
void applyFilters(MainWindow& w);
void setupFilterEdits(MainWindow& w);    // WM_CREATE, after the edits exist
void onFilterEditCommand(MainWindow& w, int32_t id, int32_t code);
PixelRect filterEditRect(const PixelRect& field, ElementId id, int32_t dpi);   // the edit inside its frame
// list_views.cpp
void syncListViews(MainWindow& w);       // every paint, before anything is drawn
void hideListViews(MainWindow& w, MainView keep);
void selectAllListRows(MainWindow& w);
bool onListNotify(MainWindow& w, NMHDR* header, LRESULT& result);
// suggestion_popup.cpp
void showSuggestionPopup(MainWindow& w);
void hideSuggestionPopup(MainWindow& w);
void refreshSuggestionPopup(MainWindow& w);   // every paint: the highlight may have moved
// main_window_input.cpp
Key keyOf(WPARAM virtualKey);
bool handleInput(MainWindow& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// main_window_tooltips.cpp
void createTooltip(MainWindow& w);
void placeTooltipTools(MainWindow& w);
LRESULT answerTooltipText(MainWindow& w, LPARAM lParam);
// main_window_settings.cpp
void onPolicyChange(MainWindow& w);
void applyTheme(MainWindow& w);
void saveSetting(MainWindow& w, std::u16string_view section, std::u16string_view key, std::u16string_view value);
void relaunchForFastScan(MainWindow& w);
void registerRestart(MainWindow& w, std::u16string_view folder);
// main_window_paint.cpp
void onPaint(MainWindow& w);
void publishTestState(MainWindow& w);
void publishTestText(HWND window, const wchar_t* name, std::u16string_view text);   // as a global atom
// Repaints of what a hover over the map, or the memory reading, changes (paint_cache.h).
void repaintHoverParts(MainWindow& w);
void repaintStatusRegion(MainWindow& w);
// The lava's 15 ms step, and the timer following MainPaint::lavaFlowing.
void onLavaTimer(MainWindow& w);
void syncLavaTimer(MainWindow& w);
// main_window_lava.cpp
void applyLavaTestSwitches(MainWindow& w);   // WM_CREATE, test-input mode
bool mapAnimationRunning(const MainWindow& w);   // the lava flows or a transition runs
// An animation step of the map: one overlay frame, or a repaint of the map area.
void requestMapAnimationFrame(MainWindow& w);
void onComposeFrame(MainWindow& w);          // kComposeFrameMessage
void refreshMapOverlayAfterPaint(MainWindow& w);   // after a full paint: the overlay shows the same map
void changeMapScheme(MainWindow& w, int32_t index);
