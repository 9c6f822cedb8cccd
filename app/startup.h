// The one start-up routine behind both process entries: picks the mode from the
// command line and returns the process exit code.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What a command line asks for, in the order the modes are tried: --bench
// anywhere wins; then the first of the headless modes and update steps from the
// left; else the normal start with the main window.
enum class StartMode : uint8_t { Bench, Export, DumpPolicy, ApplyUpdate, DeleteOld, UpdateSelftest, NormalStart };
StartMode chooseStartMode(std::span<const std::u16string> args);

// The exit code of --update-selftest: "MBUP", first letter in the top byte.
constexpr uint32_t kUpdateSelftestExitCode = 0x4D425550;

// What the process entry knows and the normal start passes on to the main window.
struct ProcessStart {
  void* instance = nullptr;            // Windows: the module's HINSTANCE; null natively
  int32_t showCommand = 1;             // ShowWindow value for the main window's first show
};

// args[0] is the program path and is never examined as an option. `instance` and
// `showCommand` come from the process entry.
int runMossbloom(const std::vector<std::u16string>& args, void* instance, int showCommand);
