// The meaning of individual settings keys: names of accents and schemes, the
// clamped and folded values, and the scan and size modes that follow from the
// settings under policy.
#pragma once
#include "config/program_settings.h"
#include <cstdint>
#include <string_view>

// Exact, case-sensitive names. Unknown accent: -1 (system colour). (Scheme names
// live with the schemes: mapSchemeFromName in treemap/schemes.h.)
int32_t accentIndexFromName(std::u16string_view name);
std::u16string_view accentName(int32_t index);    // empty for -1 and out-of-range

// performancePanel: `open` 1, `hidden` 2, anything else 0 (case-sensitive).
uint8_t performancePanelFromText(std::u16string_view text);
// sidebarWidth: 0 stays 0 (default width), anything else clamped to 220..480.
int32_t sidebarWidthFromSetting(int32_t width);

// Fast scan only for an administrator, without DisableMftScan, unless scanMode is Walk.
ScanMode effectiveScanMode(bool isAdministrator, const PolicyRecord& policies, const SettingsLocation& where);
// The DefaultSizeMode policy wins; otherwise logical only when sizeMode is Logical.
SizeMode effectiveSizeMode(const PolicyRecord& policies, const SettingsLocation& where);
// Sets settings.scanMode and settings.sizeMode from the above.
void applyModeSettings(ProgramSettings& settings);

// The settings the normal start reads after the command line had its say:
// performancePanel, patterns, sidebarWidth, sizeUnits.
void readViewSettings(ProgramSettings& settings);
