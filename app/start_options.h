// The command-line grammar of the normal start: the option table, the options
// pass (settings overrides for this run), the positional pass and the target
// validation. Arguments arrive as UTF-16; element 0 (the program) is skipped.
#pragma once
#include "app/app_state.h"
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Exact, case-sensitive lookup of a whole argument in the option table.
bool isKnownOption(std::u16string_view argument);
// Any option name the program knows: the table, and the options of the headless
// modes (--mft, and --runs, --width, --height, --types of --bench).
bool isOptionName(std::u16string_view argument);

// The folder or drive to scan: a drive alone, or a folder with its drive.
struct ScanTarget {
  char16_t drive = 0;          // upper case; 0 = none (natively `/`, the root)
  std::u16string folder;       // normalised; empty = the drive alone
};

// What the options pass found that matters only during the start.
struct StartOptions {
  bool noSplash = false;
  bool elevate = false;
  bool updated = false;
  int32_t updatedProcessId = 0;
};

// Options pass: --theme, --import, --accent, --scheme, --no-elevate, --test-input
// and --activate go to `state`, the others to the result. A value option acts
// only when a value follows; `--` ends the options.
StartOptions applyStartOptions(std::span<const std::u16string> args, AppState& state);

struct StartTarget {
  ScanTarget target;
  std::u16string error;        // a command-line error to show; the target is then empty
};
// Positional pass and target validation. With an import path a drive root
// selects the drive alone.
StartTarget findStartTarget(std::span<const std::u16string> args, std::u16string_view importPath);

struct ParsedStart {
  StartOptions options;
  ScanTarget target;
  std::u16string error;
};
// Both passes in their order, for callers that need no step in between.
ParsedStart parseStartOptions(std::span<const std::u16string> args, AppState& state);
