#include "platform/console.h"
#include "app/normal_start.h"

int runNormalStart(std::span<const std::u16string>, const ProcessStart&, ProgramSettings&) {
  writeConsoleLine(u"Mossbloom: the main window exists only in the Windows program; this build runs "
                   u"--export, --bench and --dump-policy.");
  return 1;
}
