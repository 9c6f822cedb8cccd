// --dump-policy: every policy value with where it came from, the effective settings
// that follow from them and the rights of the process, each drive's status, the
// update configuration and the settings file, as one line of JSON.
#pragma once
#include "config/program_settings.h"
#include "engine/drives.h"
#include <string>
#include <vector>

// Everything the dump reports, gathered before it is written.
struct PolicyDumpFacts {
  PolicyRecord policies;
  bool isAdministrator = false;
  ScanMode scanMode = ScanMode::Walk;     // effective
  SizeMode sizeMode = SizeMode::OnDisk;   // effective
  std::vector<DriveEntry> drives;
  bool automaticUpdates = false;
  std::u16string manifestUrl;
  std::u16string settingsFile;
};

// The JSON object, members in their fixed order, without a line end.
std::u16string policyDumpJson(const PolicyDumpFacts& facts);

// Gathers the facts of this process and machine and prints the line; always 0.
int runPolicyDump(const ProgramSettings& settings);
