// The one start-up routine behind both process entries: picks the mode from the
// command line and returns the process exit code.
#pragma once
#include <string>
#include <vector>

// args[0] is the program path and is never examined as an option.
int runMossbloom(const std::vector<std::u16string>& args);
