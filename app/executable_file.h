// The running executable as the benchmark reports it.
#pragma once
#include <cstdint>
#include <string>

struct ExecutableFile {
  std::u16string reportedName;   // Windows: always "mossbloom.exe"; POSIX: the real file name
  int64_t bytes = 0;             // size of the file, 0 when it cannot be read
};

ExecutableFile executableFile();
