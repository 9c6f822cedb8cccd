#include "app/policy_dump.h"
#include "app/console.h"

int runPolicyDump(const AppState& state) {
  writeConsoleLine(u"Mossbloom: the policy dump (--dump-policy) is not available in this build yet.");
  return 1;
}
