// ViewState: the main window's own state. Layout, texts, hit testing, commands and
// the accessible element list are pure functions of it; the Windows side keeps one,
// turns messages into calls on it and the resulting effects into system calls.
//
// Ownership and threads. The window thread is the only reader and writer of a
// ViewState; no other thread ever sees one. Worker threads share with the window
// only what lives beside it, never inside it:
//  - the scan's ScanHandOver (engine/scan_driver.h): progress.done, progress.total,
//    progress.cancel and mftScanInUse are atomics the scan threads write; the window
//    copies them into `scan.progress` (a plain snapshot) before each layout or paint.
//    The pending tree and the result fields are written by the scan thread before it
//    posts the done message; the window reads them only on that message, when its
//    generation is `scan.generation` and `scan.scanning` is set, after joining the
//    thread, and hands them to takeOverScan.
//  - the export's progress and cancel flag: copied into `exporting.percent`.
//  - the deletion job's progress and cancel flag (ui/deletion_job.h): progress is
//    copied into `review.deletionDone` (deletionProgressed), the outcomes are read
//    only after joining the deletion thread (finishDeletion).
// `tree` is owned by the window: a scan start hands it to a FreeTree effect and a
// continued scan hands it to the engine; while a scan runs it is null.
//
// Sections: small records · settings and facts · the record
#pragma once
#include "config/program_settings.h"   // ScanMode, SizeMode, SizeUnits
#include "config/policy.h"
#include "engine/drives.h"   // DriveEntry: one sidebar row, a drive or an imported CSV file
#include "engine/failure.h"
#include "engine/tree.h"
#include "platform/platform.h"
#include "render/frame_timing.h"
#include "treemap/treemap.h"
#include "ui/mark_set.h"
#include "ui/element_id.h"
#include "ui/list_rows.h"
#include <cstdint>
#include <string>
#include <vector>

// --- Small records ----------------------------------------------------------------
enum class MainView : int32_t { Map = 0, Files = 1, Extensions = 2 };

enum class NoticeKind : int32_t { None = 0, Success = 2, Error = 3, Managed = 4, Information = 5 };
enum class NoticeAction : int32_t { None = 0, Update = 2, TurnOn = 3 };

struct Notice {
  NoticeKind kind = NoticeKind::None;
  std::u16string text;
  std::u16string actionArgument;
  NoticeAction action = NoticeAction::None;
  std::u16string updateVersion;   // a published version the notice is about, else empty
};

enum class PerformancePanel : uint8_t { Folded = 0, Open = 1, Hidden = 2 };

// What made the shown tree.
enum class TreeSource : uint8_t { Walk = 0, Mft = 1, Csv = 2 };

// The scan's shared counters as the window last read them.
struct ScanProgressSnapshot {
  int64_t done = 0;
  int64_t total = 0;
  bool mftScanInUse = false;
};

// The window's end of the scan lifecycle.
struct ScanView {
  bool scanning = false;
  bool stopping = false;        // a stop was asked and the scan has not ended yet
  bool continuing = false;      // the running scan continues a partial tree
  bool importing = false;       // the running "scan" reads a CSV file
  uint32_t generation = 0;      // identifies the newest scan
  double startMs = 0;           // monotonic clock
  std::u16string rootPath;      // what the last scan was asked to scan
  int32_t driveIndex = -1;      // the drive entry it belongs to
  int32_t restoreViewRoot = -1; // view root to re-apply when a continued scan returns
  ScanProgressSnapshot progress;
};

// The shown tree and what the map and lists weigh it by.
struct ShownTree {
  Tree* tree = nullptr;
  std::u16string path;          // the scanned path
  TreeSource source = TreeSource::Walk;
  std::u16string csvPath;       // the imported file, for Csv
  double scanMs = -1;           // -1: not known
  double aggregateMs = -1;
  MftFailure fallback = MftFailure::None;   // why the fast scan gave way to the walk, if it did
  int32_t viewRoot = -1;
  int32_t focusNode = -1;       // the node whose cell has the keyboard focus
  // Per-node weights (Part of the filter): set while a filter, marks or the on-disk
  // size mode are in force; otherwise every consumer uses the logical size.
  const float* weights = nullptr;
  uint64_t weightCount = 0;
  bool weightsInUse = false;
  bool filterActive = false;
  int64_t matchingCount = 0;    // files passing the filter
  // Files and folders below the view root, counted once per view root (refreshViewCounts):
  // the summary line is laid out with every frame and a subtree can hold millions.
  struct Counts {
    const Tree* tree = nullptr;
    int32_t root = -1;
    int64_t nodeCount = -1, treeFiles = -1, treeFolders = -1;   // the tree as it was counted
    int64_t files = 0, folders = 0;
  } viewCounts;
};

// The three filter fields' texts as the edits hold them.
struct FilterFields {
  std::u16string search;
  std::u16string types;
  std::u16string minimumSize;
  bool sizeInvalid = false;     // the minimum size is neither blank nor a size
};

struct ExportView {
  bool running = false;
  std::u16string fileName;      // without its folder
  int64_t percent = 0;
};

struct PerformanceFigures {
  double startupMs = 0;
  double layoutMs = -1;         // the last map update's two times; -1 none yet
  double renderMs = -1;
  double filterMs = -1;         // -1: no weights computed
  double lastZoomFps = -1;      // -1: no zoom measured
  MemoryCounters memory;
  FrameTiming frames;           // the window's paint records its frames here
};

// The mouse press in progress: the element holding the capture and where it began.
struct PressState {
  int32_t x = 0, y = 0;              // client pixels at the press
  int32_t sidebarWidthAtPress = 0;   // effective width in DIPs
  bool knobDragged = false;          // a segmented switch's knob follows the pointer
  double knobPosition = 0;           // 0 first option … 1 second option
};

// Marks (ui/marking.h): the set itself, its totals as of the last filter
// application, the protected flags of the shown tree, and the drag to mark.
struct MarksView {
  MarkSet set;
  int64_t itemCount = 0;        // nodes in all marked subtrees
  int64_t bytes = 0;            // their files' size in the current size mode
  std::u16string leftOutText;   // "… item in system folders was left out"
  // Computed on first need for `protectedTree` with `protectedNodeCount` nodes; a null
  // tree means stale (a policy reload).
  std::vector<uint8_t> protectedFlags;
  const Tree* protectedTree = nullptr;
  int64_t protectedNodeCount = 0;
  std::vector<int32_t> appearing;   // the marks transition: nodes whose cells appear
  bool dragArmed = false;       // a press on a cell may turn into a drag to mark
  bool dragging = false;        // a drag-to-mark runs (drop hint shown)
};

// A failed item of the last deletion job: it stays marked and tells why.
struct DeletionFailure {
  int32_t node = -1;
  std::u16string message;
};

// The deletion review (ui/review.h). The running job itself lives beside the state.
struct ReviewView {
  bool open = false;
  int32_t root = -1;            // deepest common ancestor of the marks
  int32_t savedViewRoot = -1;
  MainView savedView = MainView::Map;
  bool deletionRunning = false;
  bool cancelRequested = false;
  int64_t deletionDone = 0;     // the job's progress as last copied in
  int64_t deletionTotal = 0;
  bool jobPermanent = false;    // the running job deletes permanently
  std::vector<int32_t> jobNodes;      // the running job's items, in order
  std::vector<int32_t> permanent;     // items whose drive has no Recycle Bin (still marked)
  int64_t permanentBytes = 0;
  std::vector<DeletionFailure> failures;   // in job order
};

// The Files and Extensions lists' selection.
struct ListSelection {
  int64_t count = 0;
  int64_t bytes = 0;            // the selected rows' total, with two or more
  bool types = false;           // rows are file types
  int32_t singleNode = -1;      // the one selected file row's node
};

// One completion in the popup under the types field (or the address field).
struct Suggestion {
  std::u16string label;
  std::u16string detail;
  std::u16string insert;        // the owner field's whole new text
};
constexpr size_t kMaxSuggestions = 8;
struct SuggestionPopup {
  std::vector<Suggestion> items;
  ElementId owner = ElementId::None;   // TypesEdit or AddressEdit while shown
  int32_t highlighted = -1;
};

// --- Settings and facts --------------------------------------------------------------
// Settings as they are in effect for the window (policies applied). Seeded from the
// settings file at start; a command that changes one also writes it (SaveSetting).
struct WindowSettings {
  ScanMode scanMode = ScanMode::Walk;
  SizeMode sizeMode = SizeMode::OnDisk;
  SizeUnits sizeUnits = SizeUnits::Binary;
  int32_t sidebarWidth = 0;     // DIPs; 0 = automatic
  PerformancePanel performancePanel = PerformancePanel::Folded;
  bool patterns = false;        // hatch patterns on the map's type colours
  bool elevateAtStart = false;
  int32_t autoUpdateCheck = -1; // -1 never asked, 0 off, 1 daily
};

// What the window is told and does not decide.
struct ProgramFacts {
  bool isAdministrator = false;
  PolicyRecord policies;
  std::u16string version;           // this program's, e.g. "1.0"
  std::u16string availableVersion;  // a newer published version, when known
  bool animationsOn = true;         // the system's client-area animations
  bool testInput = false;
  int32_t dragWidth = 4, dragHeight = 4;   // pixels a press moves before it drags
  // Never marked as a whole: systemFoldersToProtect() and the settings folder.
  std::vector<std::u16string> protectedFolders;
};

// --- The record ----------------------------------------------------------------------
struct ViewState {
  // Window geometry, in pixels.
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t outerWidth = 0;       // the whole window; 0: same as the client width
  int32_t dpi = 96;
  double nowMs = 0;             // the monotonic clock, sampled for this layout or paint

  ProgramFacts facts;
  WindowSettings settings;
  // The colour scheme of the main map (0..4): seeded from --scheme or the mapScheme
  // setting at the start; the map is laid out and drawn with it.
  int32_t mapScheme = 0;
  std::vector<DriveEntry> drives;
  int32_t driveScroll = 0;      // pixels

  ScanView scan;
  ShownTree shown;
  FilterFields filter;
  ExportView exporting;
  Notice notice;
  PerformanceFigures performance;
  bool panelClosing = false;    // the fold animation runs; the panel is open until it ends
  MarksView marks;
  ReviewView review;
  ListSelection selection;
  ListRows lists;               // the Files and Extensions rows (ui/lists.h)
  SuggestionPopup suggestions;
  std::u16string statusMessage; // a transient status text, shown first

  MainView currentView = MainView::Map;

  // Pointer and keyboard.
  ElementRef hover;
  int32_t hoverCell = -1;       // index into the treemap's rectangles
  ElementRef pressed;
  PressState press;
  ElementRef focus;
  bool focusVisible = false;
  bool windowHasFocus = false;  // the main window itself holds the keyboard focus
  bool spacePressed = false;
  bool addressShown = false;
  bool addressInvalid = false;
  int32_t wheel = 0;            // accumulated wheel delta over the map

  // The map as last laid out; owned by the Windows side.
  const TreemapLayout* treemap = nullptr;
  int32_t treemapWidth = 0, treemapHeight = 0;   // the map area it was made for
  uint32_t layoutGeneration = 0;
  uint32_t filterGeneration = 0;
  bool mapStale = true;
  bool relayoutPending = false;
  bool resizing = false;
  bool zoomRunning = false;
};

// Small questions about a ViewState that several parts of the window ask.
inline bool hasTree(const ViewState& s) { return s.shown.tree && s.shown.tree->rootIndex >= 0; }
inline int32_t treeRoot(const ViewState& s) { return hasTree(s) ? s.shown.tree->rootIndex : -1; }
inline bool isValidNode(const ViewState& s, int32_t node) {
  return hasTree(s) && node >= 0 && node < s.shown.tree->nodeCount;
}
