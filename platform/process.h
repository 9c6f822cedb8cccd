// The running process, the machine under it and other processes, as the start, the
// benchmark and the update's clean-up ask for them. Implemented in
// platform/win32/process.cpp and platform/posix/process.cpp.
//
// Threading: any thread.
#pragma once
#include <cstdint>
#include <string>

struct ExecutableFile {
  std::u16string reportedName;   // Windows: always "mossbloom.exe"; POSIX: the real file name
  int64_t bytes = 0;             // size of the file, 0 when it cannot be read
};
ExecutableFile executableFile();

// The machine's physical memory in bytes, 0 when unknown.
uint64_t installedMemoryBytes();

// Whether the user's last keyboard or mouse input came no earlier than 3 s before
// this process was created (true when that cannot be told, and natively, where
// there is no input history to ask): the main window then takes the foreground
// at its first show.
bool wasLaunchedInteractively();

// Waits up to `timeoutMs` for process `processId` to end; returns at once when it
// has ended or cannot be seen.
void waitForProcessEnd(int32_t processId, uint32_t timeoutMs);

// Blocks the calling thread.
void sleepMs(uint32_t ms);
