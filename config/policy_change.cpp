#include "config/policy_change.h"
#include "config/start_settings.h"

PolicyChange reloadPolicies(AppState& state, std::u16string_view keyPath) {
  PolicyRecord before = state.policies;
  SizeMode sizeModeBefore = state.sizeMode;
  state.policies = readPoliciesFrom(keyPath);
  applyModeSettings(state);
  PolicyChange change;
  change.generation = ++state.policyGeneration;
  change.changed = !(before == state.policies);
  change.sizeModeChanged = sizeModeBefore != state.sizeMode;
  return change;
}
