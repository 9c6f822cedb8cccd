// The export from the window: the save dialog, the export thread, its progress
// and its end. Ownership of what the thread shares is in export_thread.h.
//
// Threading: the window thread, except exportThreadBody on the export thread.
#include "ui/win32/export_thread.h"

#include "base/utf.h"
#include "config/language.h"
#include "engine/csv.h"
#include "platform/text.h"
#include "ui/export_command.h"
#include "ui/view_rules.h"
#include "ui/win32/main_window.h"
#include <shobjidl.h>

namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// The answer a test gives in place of the dialog: MOSSBLOOM_TEST_SAVE_AS names a
// file holding the chosen path in UTF-8 (empty: the user cancelled), so that one
// window can be asked several times. False when no answer is set.
bool testAnswer(const MainWindow& w, std::u16string& path) {
  if (!w.testInput) return false;
  wchar_t name[1040];
  DWORD length = GetEnvironmentVariableW(L"MOSSBLOOM_TEST_SAVE_AS", name, 1040);
  if (length == 0 || length >= 1040) return false;
  path.clear();
  HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  char bytes[4096];
  DWORD got = 0;
  if (ReadFile(file, bytes, sizeof bytes, &got, nullptr)) {
    std::string_view text(bytes, got);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    path = utf16FromUtf8(text);
  }
  CloseHandle(file);
  return true;
}

// The system's save dialog; false when it fails or the user cancels.
bool askForPath(MainWindow& w, const std::u16string& proposed, std::u16string& path) {
  IFileSaveDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog,
                              reinterpret_cast<void**>(&dialog))))
    return false;
  std::u16string typeName(text(Text::CSVWizTreeFormat)), title(text(Text::ExportAsCSV));
  COMDLG_FILTERSPEC types[] = {{wide(typeName), L"*.csv"}};
  dialog->SetFileTypes(1, types);
  dialog->SetDefaultExtension(L"csv");
  dialog->SetFileName(wide(proposed));
  dialog->SetTitle(wide(title));
  bool chosen = false;
  IShellItem* item = nullptr;
  if (SUCCEEDED(dialog->Show(w.window)) && SUCCEEDED(dialog->GetResult(&item))) {
    wchar_t* name = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) && name) {
      path.assign(reinterpret_cast<const char16_t*>(name));
      chosen = !path.empty();
      CoTaskMemFree(name);
    }
    item->Release();
  }
  dialog->Release();
  return chosen;
}

uint32_t exportThreadBody(MainWindow* w) {
  ExportRun& run = w->exportRun;
  ExportFailure failure;
  run.succeeded = exportCsv(*w->state.shown.tree, run.path, run.progress, failure);
  run.failure = failure;
  PostMessageW(w->window, kExportDoneMessage, run.number, 0);
  return 0;
}

}  // namespace

void openExportDialog(MainWindow& w) {
  if (!exportEnabled(w.state) || w.exportRun.thread.handle) return;
  std::u16string proposed = defaultExportFileName(w.state.shown.tree->rootPath);
  if (w.testInput) publishTestText(w.window, L"MossbloomTest.ExportName", proposed);
  std::u16string path;
  if (!testAnswer(w, path) && !askForPath(w, proposed, path)) return;
  if (path.empty()) return;
  // The dialog ran a message loop: the tree may have gone meanwhile.
  if (!exportEnabled(w.state)) return;

  ExportRun& run = w.exportRun;
  run.path = path;
  run.number++;
  run.progress.done.store(0);
  run.progress.total.store(0);
  run.progress.cancel.store(0);
  run.succeeded = false;
  run.failure = {};
  MainWindow* owner = &w;
  run.thread = startClosureThread(0, [owner]() -> uint32_t { return exportThreadBody(owner); });
  if (!run.thread.handle) failOutOfMemory();
  SetTimer(w.window, kExportTimer, 100, nullptr);
  Outcome out;
  beginExport(w.state, path, out);
  runOutcome(w, out);
}

void cancelExport(MainWindow& w, bool join) {
  ExportRun& run = w.exportRun;
  if (!run.thread.handle) return;
  run.progress.cancel.store(1);
  if (!join) return;
  joinThread(run.thread);
  KillTimer(w.window, kExportTimer);
  w.state.exporting = {};
  // Its done message may already wait in the queue: without a thread it does nothing.
}

void onExportDone(MainWindow& w, uint32_t number) {
  ExportRun& run = w.exportRun;
  if (!run.thread.handle || number != run.number) return;
  joinThread(run.thread);
  KillTimer(w.window, kExportTimer);
  FinishedExport finished;
  finished.succeeded = run.succeeded;
  finished.cancelled = run.progress.cancel.load() != 0;
  finished.rows = run.progress.done.load();
  finished.path = run.path;
  finished.failure = run.failure;
  Outcome out;
  finishExport(w.state, finished, systemErrorText, out);
  runOutcome(w, out);
}

void refreshExportProgress(MainWindow& w) {
  if (!w.state.exporting.running) return;
  w.state.exporting.percent = exportPercent(w.exportRun.progress.done.load(std::memory_order_relaxed),
                                            w.exportRun.progress.total.load(std::memory_order_relaxed));
}
