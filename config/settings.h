// The settings file: where it lives and typed access to its keys. There is no
// settings object loaded once: callers read the keys they need and write each
// change at once. Threading: called on the start-up thread and the window thread.
//
// Sections: location · reading · writing
#pragma once
#include "platform/program_folders.h"
#include <cstdint>
#include <string>
#include <string_view>

struct SettingsLocation {
  std::u16string directory;   // no trailing separator; also holds update.txt and mossbloom.log
  std::u16string file;        // the ini file
  bool portable = false;      // mossbloom.ini next to the executable
};

inline constexpr std::u16string_view kSettingsSection = u"mossBloom";
inline constexpr std::u16string_view kStartSection = u"start";
// Keys of section mossBloom.
inline constexpr std::u16string_view kAccentKey = u"accent";                   // text: blue, teal, orange, violet, pink
inline constexpr std::u16string_view kMapSchemeKey = u"mapScheme";             // text: scheme name, default standard
inline constexpr std::u16string_view kLanguageKey = u"language";               // text: language code, empty = system
inline constexpr std::u16string_view kPerformancePanelKey = u"performancePanel"; // text: open, hidden, closed
inline constexpr std::u16string_view kPatternsKey = u"patterns";               // integer: non-zero = on
inline constexpr std::u16string_view kSidebarWidthKey = u"sidebarWidth";       // integer: 0 default, else 220..480
inline constexpr std::u16string_view kSizeUnitsKey = u"sizeUnits";             // choice: GB or GiB (default)
inline constexpr std::u16string_view kScanModeKey = u"scanMode";               // choice: Walk or Mft (default)
inline constexpr std::u16string_view kSizeModeKey = u"sizeMode";               // choice: Logical or OnDisk (default)
inline constexpr std::u16string_view kWindowKey = u"window";                   // text: see config/window_placement.h
inline constexpr std::u16string_view kAutoUpdateCheckKey = u"autoUpdateCheck"; // integer, empty = never asked
inline constexpr std::u16string_view kUpdateDismissedKey = u"updateDismissed"; // text: version, up to 24 units
inline constexpr std::u16string_view kLastUpdateCheckKey = u"lastUpdateCheck"; // integer: minutes since 1601
inline constexpr std::u16string_view kUpdateUrlKey = u"updateUrl";             // text, only ever written by hand
// Keys of section start (booleans).
inline constexpr std::u16string_view kSplashKey = u"splash";                   // default true, never written
inline constexpr std::u16string_view kElevateKey = u"elevate";                 // default false

inline constexpr std::u16string_view kPortableSettingsName = u"mossbloom.ini";
inline constexpr std::u16string_view kUserSettingsName = u"settings.ini";

// --- Location ------------------------------------------------------------------
// (executableDirectory and userSettingsDirectory: platform/program_folders.h.)
// A portable mossbloom.ini (an existing file, not a folder) in executableDirectory
// wins; the per-user file is then never read.
SettingsLocation locateSettings(std::u16string_view executableDirectory, std::u16string_view userDirectory);

// --- Reading -------------------------------------------------------------------
// A text value of at most 511 units; `fallback` when the key is missing.
std::u16string readTextSetting(const SettingsLocation& where, std::u16string_view section,
                               std::u16string_view key, std::u16string_view fallback = u"");
// An integer of section mossBloom; 0 when missing or not a number, the leading
// number of a text such as `12px`.
int32_t readIntSetting(const SettingsLocation& where, std::u16string_view key);
// A boolean of section start: `true` / `false` in any case and surrounded by
// blanks; anything else gives `fallback`.
bool readStartFlag(const SettingsLocation& where, std::u16string_view key, bool fallback);
// Whether the key of section mossBloom (or `fallback` when it is missing)
// equals `literal` ignoring case.
bool settingIs(const SettingsLocation& where, std::u16string_view key, std::u16string_view fallback,
               std::u16string_view literal);

// --- Writing -------------------------------------------------------------------
// Each write creates the settings folder first. Failures are ignored: a setting
// that cannot be stored is not worth interrupting the user for. Line breaks in
// values become spaces, so a value can never add keys of its own.
void writeTextSetting(const SettingsLocation& where, std::u16string_view section, std::u16string_view key,
                      std::u16string_view value);
void writeIntSetting(const SettingsLocation& where, std::u16string_view section, std::u16string_view key,
                     int32_t value);
