// AppState: what the process start establishes for the mode that runs: the
// command line's options, the settings in effect and a few facts of the process.
// It is created with its defaults on first use by any thread; after start-up
// the window thread owns it. The window keeps its own state (ui/view_state.h),
// seeded from this record.
#pragma once
#include "config/program_settings.h"
#include "platform/platform.h"
#include <cstdint>
#include <string>

struct AppState {
  // From the command line.
  std::u16string importPath;        // the CSV file given with --import
  int32_t themeOverride = -1;       // -1 follow the system, 0 light, 1 dark
  int32_t accentIndex = -1;         // -1 system colour, 0..4 a named accent
  uint32_t schemeIndex = 0;         // colour scheme 0..4
  uint8_t noElevate = 0;
  uint8_t testInput = 0;
  uint8_t activate = 0;
  uint8_t launchedInteractively = 0;
  // From the settings file, the policies and the system.
  ProgramSettings settings;
  std::u16string executableDirectory;
  // From the process entry.
  void* instance = nullptr;         // Windows: the module's HINSTANCE
  int32_t showCommand = 1;          // ShowWindow value for the main window's first show
  MemoryCounters startMemory;       // taken just before the main window's class is registered
};

// The record, initialised on the first call from whichever thread comes first.
AppState& appState();
// Whether the one-time initialiser has run (for tests of the initialiser itself).
bool appStateReady();
