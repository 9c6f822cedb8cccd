// Starting the program again: as administrator at start or for the fast scan, and
// the command line Windows uses to restart it after an update of Windows or a
// restart of the session. The texts are pure and tested natively; the calls that
// start a process or register the line are in ui/win32/relaunch.h.
//
// Threading: the start-up thread and the window thread.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A path in double quotes that CommandLineToArgvW reads back unchanged: a path
// ending in `\` (a drive root) gets one more `\` before the closing quote.
std::u16string quotedPathArgument(std::u16string_view path);

// The administrator start at launch: `--activate`, ` --no-splash` when the start-up
// card is off, and the quoted folder of the scan target when there is one.
std::u16string administratorStartParameters(bool startupCardOn, std::u16string_view folder);
// Wanted when the `elevate` setting or --elevate asks for it and a standard user may
// restart as administrator (fast-scan state 1).
bool administratorStartWanted(bool elevateSetting, bool elevateOption, uint8_t fastScanState);

// The relaunch for the fast scan: `--activate`, then the quoted current folder, or
// without one the quoted root of the selected drive (letter 0: none). Never
// `--no-splash`.
std::u16string fastScanRelaunchParameters(std::u16string_view folder, char16_t driveLetter);

// The restart command line: `--elevate` for an administrator, then `--import` and the
// quoted CSV file being shown, or else the quoted folder being shown. May be empty.
std::u16string restartCommandLine(bool isAdministrator, std::u16string_view importPath, std::u16string_view folder);
