// The settings the program runs with: where the settings file lives, the
// policies in force, and the values read from the file with the policies
// applied. The normal start fills one record, the headless modes read it, and
// the main window seeds its own view of the settings from it.
//
// Threading: filled on the start-up thread before any other thread exists;
// afterwards read and changed (policy reloads) on the window thread only.
#pragma once
#include "config/policy.h"
#include "config/settings.h"
#include <cstdint>

enum class ScanMode : uint8_t { Walk, Mft };
enum class SizeMode : uint8_t { OnDisk, Logical };
enum class SizeUnits : uint8_t { Binary, Decimal };   // KiB, MiB… or kB, MB…

struct ProgramSettings {
  SettingsLocation location;        // location.portable is the portable-settings flag
  PolicyRecord policies;
  uint32_t policyGeneration = 0;    // incremented on every re-read after start-up
  // The effective scan mode depends on it, so it is decided before the modes are.
  uint8_t isAdministrator = 0;
  uint8_t elevateAtStart = 0;       // the start/elevate setting
  uint8_t performancePanel = 0;     // 0 closed, 1 open, 2 hidden
  uint8_t patterns = 0;
  int32_t sidebarWidth = 0;         // pixels at 96 DPI, 0 = default
  SizeUnits sizeUnits = SizeUnits::Binary;
  ScanMode scanMode = ScanMode::Walk;   // effective, under policy
  SizeMode sizeMode = SizeMode::OnDisk; // effective, under policy
};
