#include "app/startup.h"
#include "app/console.h"
#include "platform/platform.h"

int runMossbloom(const std::vector<std::u16string>& args) {
  installOutOfMemoryHandler();
  // Modes arrive with their own changes; until then nothing pretends to succeed.
  writeConsoleLine(u"Mossbloom: no mode is available yet.");
  return 1;
}
