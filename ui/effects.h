// What a window decision asks the Windows side to do. The portable code changes the
// ViewState itself and lists everything else, in order, as effects: threads to
// start or cancel, settings to write, child windows to show, animations to run.
// The Windows side runs them in list order after the decision returned.
//
// Threading: window thread.
#pragma once
#include "engine/failure.h"
#include "engine/tree.h"
#include "ui/element_id.h"
#include <string>
#include <string_view>
#include <vector>

enum class EffectKind : uint8_t {
  // Scans. The state already says scanning; these start or end the threads.
  CancelScan,           // set the cancel flag, join the scan thread, free a pending tree
  CancelExport,         // set the export's cancel flag; when the state no longer says exporting
                        // (a scan starts), also join the thread
  CancelDeletion,       // set the job's cancel flag and join its thread; with `tree`, cut what the
                        // job deleted out of that tree (cutDeletedItems) before it is used again
  FreeTree,             // `tree`: a tree the window no longer shows
  RegisterRestart,      // the restart command line for `text` (root path)
  StartScanThread,      // `text` target, `number` generation, `flag` try the fast scan
  StartImportThread,    // `text` CSV path, `number` generation
  StartContinueThread,  // `tree` handed over (count progress from its items), `text` tree
                        // path, `fallback` passed through, `number` generation
  RequestStop,          // set the scan's cancel flag
  StopScanTimer,
  ReadMemoryCounters,
  // Marks and the deletion review (ui/marking.h, ui/review.h).
  StartDeletion,        // prepareDeletionJob(state, job), then start the deletion thread on it
  RequestDeletionCancel,   // set the running job's cancel flag; the thread stops before its next item
  MarksTransition,      // `flag`: marked cells vanish, else the cells of state.marks.appearing appear
  HideAddressEdit,      // the state says hidden: hide it, the main window takes its focus
  ShowFilterEdits,      // `flag`: show the three filter edits, else hide them
  SetWindowTitle,       // `text`
  RaiseAlert,           // EVENT_SYSTEM_ALERT for `element`
  // Settings and notices.
  SaveSetting,          // `section`, `key`, `text` (an empty text clears the key)
  NoticeShown,          // set Mossbloom.Info to the kind and raise the alert for the text
  RelaunchAsAdministrator,
  // The filter and the map.
  ApplyFilters,         // read the three fields, recompute the weights (state.filter)
  ClearFilterFields,    // empty the three edits (before ApplyFilters)
  RestartFilterTimer,   // (re)start timer 4 with the typing pause (filter_bar.h)
  SetFieldText,         // `element`: an edit; its text := `text`, caret at `number` (its length)
  ShowSuggestions,      // `element`: the owner field; place and show the popup (suggestions.h)
  SetDecimalSizes,      // `flag`: decimal units for every size shown
  ResetMap,             // stop a zoom animation, drop the cell list and the weights
  ZoomMap,              // `node` new view root, `number` old view root, `flag` zoom in, `animate`
  StartPanelAnimation,  // `flag`: unfold (else fold), 220 ms
  StartResizeTimer,     // timer 3
  // Focus and child windows.
  FocusChild,           // `element`: an edit or the list view takes the keyboard focus
  FocusMainWindow,
  AnnounceFocus,        // raise EVENT_OBJECT_FOCUS for the focus element
  AnnounceValueChange,  // `element`
  ShowAddressEdit,      // `text`: its text; focus it and select all
  HideSuggestions,
  ShowLists,            // `number`: the current view; show or hide the list views
  SelectAllListRows,    // Ctrl+A in the shown list
  ShowDriveMenu,        // `number` drive index, `flag` offer "Continue scanning"
  // Things other parts of the window own; each is a named point until it is built.
  OpenExportDialog,     // the save dialog; a chosen file starts the export thread
  ShowAbout,
  OpenSettings,
  CheckForUpdates,
  StartUpdateDownload,
  ShowInExplorer,       // `node`
  ArmDragToMark,        // `node` the pressed cell
  CancelDragToMark,
  MarkOrUnmark,         // `node`: Delete on a cell (marks outside the review, unmarks in it)
  MarkNodes,            // `nodes`: mark them (rows of a list; a list row to restore is remembered)
  StartListDrag,        // `nodes`: a drag to mark them starts from a list
  CaptureMouse,
  ReleaseMouse,
};

struct Effect {
  EffectKind kind;
  int32_t number = 0;
  int32_t node = -1;
  bool flag = false;
  bool animate = false;
  std::u16string text;
  std::u16string detail;
  std::u16string_view section;
  std::u16string_view key;
  Tree* tree = nullptr;
  MftFailure fallback = MftFailure::None;   // StartContinueThread: passed on to the result
  ElementRef element;
  std::vector<int32_t> nodes;
};

// The result of one decision: its effects, and whether the window must be laid out
// again or repainted afterwards.
struct Outcome {
  std::vector<Effect> effects;
  bool relayout = false;
  bool repaint = false;

  Effect& add(EffectKind kind) {
    effects.push_back(Effect{kind});
    return effects.back();
  }
  bool has(EffectKind kind) const {
    for (const Effect& e : effects)
      if (e.kind == kind) return true;
    return false;
  }
  const Effect* find(EffectKind kind) const {
    for (const Effect& e : effects)
      if (e.kind == kind) return &e;
    return nullptr;
  }
};
