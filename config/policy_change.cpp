#include "config/policy_change.h"
#include "config/start_settings.h"

PolicyChange reloadPolicies(ProgramSettings& settings, std::u16string_view keyPath) {
  PolicyRecord before = settings.policies;
  SizeMode sizeModeBefore = settings.sizeMode;
  settings.policies = readPoliciesFrom(keyPath);
  applyModeSettings(settings);
  PolicyChange change;
  change.generation = ++settings.policyGeneration;
  change.changed = !(before == settings.policies);
  change.sizeModeChanged = sizeModeBefore != settings.sizeMode;
  return change;
}
