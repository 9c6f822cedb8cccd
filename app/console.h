// Console output for the headless modes.
#pragma once
#include <string_view>

// Writes text and a line break to standard output (UTF-8 natively).
void writeConsoleLine(std::u16string_view text);
