// Re-reading the policies when Windows announces a change (WM_SETTINGCHANGE
// with `Policy`). The window does the rest: it stores the generation in the
// property Mossbloom.PolicyGen, clears marks when DisableDelete appeared,
// recomputes the views for a new size mode and shows the managed notice.
#pragma once
#include "config/program_settings.h"

struct PolicyChange {
  uint32_t generation = 0;      // the new policy generation
  bool changed = false;         // some value or its source differs: show the notice
  bool sizeModeChanged = false; // the effective size mode differs
};

// Replaces settings.policies, recomputes the effective modes, counts the generation.
PolicyChange reloadPolicies(ProgramSettings& settings, std::u16string_view keyPath = kPolicyKey);
