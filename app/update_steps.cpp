#include "app/update_steps.h"
#include "app/console.h"
#include "app/startup.h"

int runApplyUpdate(std::span<const std::u16string> args, const AppState& state) {
  writeConsoleLine(u"Mossbloom: installing an update (--apply-update) is not available in this build yet.");
  return 1;
}

int runDeleteOld(std::span<const std::u16string> args, const AppState& state) {
  writeConsoleLine(u"Mossbloom: removing the previous version (--delete-old) is not available in this build yet.");
  return 1;
}

uint32_t runUpdateSelftest(const AppState& state) {
  // Loading the English language pack belongs here once the pack exists: a
  // build that cannot load its texts must not pass the self-test.
  return kUpdateSelftestExitCode;
}
