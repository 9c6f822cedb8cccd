// Where the program runs from and where a user's settings go.
// Implemented in platform/win32/program_folders.cpp and platform/posix/program_folders.cpp.
//
// Threading: any thread; reads the process's own path and the environment.
#pragma once
#include <string>
#include <string_view>

// The folder of the running executable, no trailing separator.
std::u16string executableDirectory();
// The per-user settings folder: <Roaming AppData>\Mossbloom on Windows (`.`
// standing in for an unavailable known folder), $XDG_CONFIG_HOME/mossbloom or
// ~/.config/mossbloom natively.
std::u16string userSettingsDirectory();
// Creates the settings folder (natively with any missing parents); failures are
// left to the write that follows.
void createSettingsDirectory(std::u16string_view directory);
