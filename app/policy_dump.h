// --dump-policy: the effective policies, settings and drive status as JSON.
#pragma once
#include "config/app_state.h"

int runPolicyDump(const AppState& state);
