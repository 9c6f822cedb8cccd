// AppState: the one process-wide record of application state. It is created
// with its defaults on first use by any thread; after start-up the window thread
// owns its fields unless a field says otherwise.
#pragma once
#include "config/policy.h"
#include "config/settings.h"
#include "platform/platform.h"
#include <cstdint>
#include <string>

enum class ScanMode : uint8_t { Walk, Mft };
enum class SizeMode : uint8_t { OnDisk, Logical };
enum class SizeUnits : uint8_t { Binary, Decimal };   // KiB, MiB… or kB, MB…

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
  // From the system and the settings.
  uint8_t isAdministrator = 0;
  uint8_t elevateAtStart = 0;       // the start/elevate setting
  uint8_t performancePanel = 0;     // 0 closed, 1 open, 2 hidden
  uint8_t patterns = 0;
  int32_t sidebarWidth = 0;         // pixels at 96 DPI, 0 = default
  SizeUnits sizeUnits = SizeUnits::Binary;
  ScanMode scanMode = ScanMode::Walk;   // effective, under policy
  SizeMode sizeMode = SizeMode::OnDisk; // effective, under policy
  SettingsLocation settings;        // settings.portable is the portable-settings flag
  std::u16string executableDirectory;
  void* instance = nullptr;         // Windows: the module's HINSTANCE
  int32_t showCommand = 1;          // ShowWindow value for the main window's first show
  void* windowCreatedEvent = nullptr;   // manual-reset event, created by the normal start
  MemoryCounters startMemory;       // taken just before the window class is registered
  PolicyRecord policies;
  uint32_t policyGeneration = 0;    // incremented on every re-read after start-up
};

// The record, initialised on the first call from whichever thread comes first.
AppState& appState();
// Whether the one-time initialiser has run (for tests of the initialiser itself).
bool appStateReady();
