// What the benchmark asks of the system: the running executable as it is
// reported, the folder benchmarked when none is given, and the memory installed.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

struct ExecutableFile {
  std::u16string reportedName;   // Windows: always "mossbloom.exe"; POSIX: the real file name
  int64_t bytes = 0;             // size of the file, 0 when it cannot be read
};

ExecutableFile executableFile();

// Windows: C:\ ; POSIX: /
std::u16string_view defaultBenchPath();

// The machine's physical memory in bytes, 0 when unknown.
uint64_t installedMemoryBytes();
