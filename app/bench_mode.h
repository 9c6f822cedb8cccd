// Benchmark mode: --bench <folder or drive> [--runs n] [--width w] [--height h]
// [--types text] [--out file] [--mft].
#pragma once
#include <span>
#include <string>

// Runs before anything else is read: no settings, policies or language pack.
int runBenchMode(std::span<const std::u16string> args);
