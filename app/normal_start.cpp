#include "app/normal_start.h"
#include "app/console.h"

int runNormalStart(std::span<const std::u16string> args, AppState& state) {
  writeConsoleLine(u"Mossbloom: the main window is not available in this build yet.");
  return 1;
}
