// Headless CSV export: --export <folder or drive> <file.csv> [--mft].
#pragma once
#include "config/program_settings.h"
#include <span>
#include <string>

// Runs after the settings were located and the policies read (AllowedPaths
// applies); returns the process exit code.
int runExportMode(std::span<const std::u16string> args, const ProgramSettings& settings);
