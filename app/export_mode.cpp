#include "app/export_mode.h"
#include "app/console.h"

int runExportMode(std::span<const std::u16string> args, const AppState& state) {
  writeConsoleLine(u"Mossbloom: the headless export (--export) is not available in this build yet.");
  return 1;
}
