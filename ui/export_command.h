// The export from the window, its portable half: the name the save dialog proposes,
// the state while the export thread writes, and the notice it ends with.
//
// Threading: window thread. The export thread's counters reach the state through
// exportPercent, read by the Windows side before each layout.
#pragma once
#include "ui/effects.h"
#include "ui/view_state.h"
#include <string>
#include <string_view>

// The file name the save dialog proposes for a tree rooted at `rootPath`: its last
// component with trailing `\` and `:` dropped, "mossbloom" when nothing is left,
// and ".csv" (C:\ gives C.csv, D:\Photos\2020 gives 2020.csv).
std::u16string defaultExportFileName(std::u16string_view rootPath);

// Rows written × 100 ÷ rows in total; 0 until the total is known.
int64_t exportPercent(int64_t done, int64_t total);

// The export thread starts writing to `path`.
void beginExport(ViewState& s, std::u16string_view path, Outcome& out);

// The export thread has ended (after the window joined it): the notice, unless
// it was stopped on request, and the summary line back to the tree's.
struct FinishedExport {
  bool succeeded = false;
  bool cancelled = false;        // the cancel flag was set while it ran
  int64_t rows = 0;              // rows written
  std::u16string path;
  ExportFailure failure;         // the writer's reason, on failure
};
// `systemText` words a system error code.
void finishExport(ViewState& s, const FinishedExport& finished, std::u16string (*systemText)(uint32_t code),
                  Outcome& out);
