#include "app/startup.h"
#include "app/bench_mode.h"
#include "app/export_mode.h"
#include "app/normal_start.h"
#include "app/policy_dump.h"
#include "app/update_steps.h"
#include "platform/platform.h"

StartMode chooseStartMode(std::span<const std::u16string> args) {
  for (size_t i = 1; i < args.size(); i++)
    if (args[i] == u"--bench") return StartMode::Bench;
  for (size_t i = 1; i < args.size(); i++) {
    const std::u16string& argument = args[i];
    if (argument == u"--dump-policy") return StartMode::DumpPolicy;
    if (argument == u"--export") return StartMode::Export;
    if (argument == u"--apply-update") return StartMode::ApplyUpdate;
    if (argument == u"--delete-old") return StartMode::DeleteOld;
    if (argument == u"--update-selftest") return StartMode::UpdateSelftest;
  }
  return StartMode::NormalStart;
}

int runMossbloom(const std::vector<std::u16string>& args, void* instance, int showCommand) {
  installOutOfMemoryHandler();
  ProcessStart process{instance, showCommand};

  StartMode mode = chooseStartMode(args);
  // The benchmark measures a cold program: no settings, policies or texts.
  if (mode == StartMode::Bench) return runBenchMode(args);

  ProgramSettings settings;
  settings.location = locateSettings(executableDirectory(), userSettingsDirectory());
  settings.policies = readPolicies();

  switch (mode) {
    case StartMode::Export: return runExportMode(args, settings);
    case StartMode::DumpPolicy: return runPolicyDump(settings);
    case StartMode::ApplyUpdate: return runApplyUpdate(args, settings);
    case StartMode::DeleteOld: return runDeleteOld(args, settings);
    case StartMode::UpdateSelftest: return static_cast<int>(runUpdateSelftest());
    default: return runNormalStart(args, process, settings);
  }
}
