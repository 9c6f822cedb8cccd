// The normal start: start settings, command-line options, language, main window
// and message loop. Returns the process exit code.
#pragma once
#include "app/app_state.h"
#include <span>
#include <string>

int runNormalStart(std::span<const std::u16string> args, AppState& state);
