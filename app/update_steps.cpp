#include "app/update_steps.h"
#include "platform/console.h"
#include "app/startup.h"
#include "config/language.h"

int runApplyUpdate(std::span<const std::u16string>, const ProgramSettings&) {
  writeConsoleLine(u"Mossbloom: installing an update (--apply-update) is not available in this build yet.");
  return 1;
}

int runDeleteOld(std::span<const std::u16string>, const ProgramSettings&) {
  writeConsoleLine(u"Mossbloom: removing the previous version (--delete-old) is not available in this build yet.");
  return 1;
}

uint32_t runUpdateSelftest() {
  // A build whose texts cannot be loaded would start with an empty window: it
  // must not pass, or the update would replace a working program with it.
  loadLanguage(u"en");
  if (text(0).empty()) return 1;
  return kUpdateSelftestExitCode;
}
