// The command-line steps of installing an update: --apply-update <downloaded exe>
// <manifest file> <process id>, --delete-old <process id>..., --update-selftest.
#pragma once
#include "config/program_settings.h"
#include <cstdint>
#include <span>
#include <string>

int runApplyUpdate(std::span<const std::u16string> args, const ProgramSettings& settings);
int runDeleteOld(std::span<const std::u16string> args, const ProgramSettings& settings);
// Proves a freshly installed executable starts and reads its English texts:
// kUpdateSelftestExitCode, or 1 when the language pack is missing or damaged.
uint32_t runUpdateSelftest();
