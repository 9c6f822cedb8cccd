// The export from the window on Windows: the save dialog, the export thread and
// taking its result back.
//
// Threads and ownership. The window thread owns ExportRun. While `thread` runs,
// the export thread reads the shown tree (the window never changes or replaces
// it meanwhile: starting a scan first cancels and joins the export) and writes
// `progress` (atomics: rows written, rows in total; the window sets `cancel`).
// Before posting kExportDoneMessage it writes `succeeded` and `failure`; the
// window reads them only after joining the thread on that message.
#pragma once
#include "engine/failure.h"
#include "engine/tree.h"
#include "platform/platform.h"
#include <string>
#include <windows.h>

constexpr UINT kExportDoneMessage = WM_APP + 10;   // wParam: the export's number
constexpr UINT_PTR kExportTimer = 7;   // 100 ms while exporting: the progress

struct ExportRun {
  Thread thread;
  uint32_t number = 0;            // counts exports: a done message of a joined one is stale
  std::u16string path;            // the file chosen in the dialog
  ScanProgress progress;
  bool succeeded = false;
  ExportFailure failure;
};

struct MainWindow;

// Ctrl+E, the Export button, the system menu: asks for the file and starts the
// export. In test-input mode the environment variable MOSSBLOOM_TEST_SAVE_AS, when
// set, names a file whose text answers the dialog instead of it (empty: cancelled).
void openExportDialog(MainWindow& w);
// Sets the cancel flag. With `join` (the window closes, the session ends, a scan
// starts) it also waits for the thread and ends the export without a notice.
void cancelExport(MainWindow& w, bool join);
void onExportDone(MainWindow& w, uint32_t number);
// The progress into the state, before a layout.
void refreshExportProgress(MainWindow& w);
