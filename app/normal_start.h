// The normal start: start settings, command-line options, language, main window
// and message loop. Returns the process exit code.
#pragma once
#include "app/startup.h"
#include "config/program_settings.h"
#include <span>
#include <string>

// `settings` arrives with its location and the policies; the start fills in the rest.
int runNormalStart(std::span<const std::u16string> args, const ProcessStart& process, ProgramSettings& settings);
