// The command-line grammar of the normal start: the option table, the options
// pass (settings overrides for this run), the positional pass and the target
// validation. Arguments arrive as UTF-16; element 0 (the program) is skipped.
#pragma once
#include <cstdint>
#include <optional>
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

// What the command line asks of a normal start. An override holds a value only when
// its option came with one; the saved setting stands otherwise.
struct StartOptions {
  std::u16string importPath;            // --import: a CSV file, or a folder of them
  int32_t theme = -1;                   // --theme: -1 follow the system, 0 light, 1 dark
  std::optional<int32_t> accentIndex;   // --accent: -1 the system colour, 0..4 a named accent
  std::optional<int32_t> mapScheme;     // --scheme: 0..4
  bool noSplash = false;
  bool elevate = false;
  bool noElevate = false;
  bool testInput = false;
  bool activate = false;
  bool updated = false;
  int32_t updatedProcessId = 0;
};

// Options pass: every option and its value. A value option acts only when a value
// follows; `--` ends the options.
StartOptions readStartOptions(std::span<const std::u16string> args);

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
ParsedStart parseStartOptions(std::span<const std::u16string> args);
