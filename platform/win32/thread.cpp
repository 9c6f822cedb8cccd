// Threads on Windows: CreateThread with a stack reservation and a 32-bit exit code.
#include "platform/platform.h"
#include <windows.h>

namespace {
struct Start {
  ThreadMain main;
  void* argument;
};

DWORD WINAPI threadEntry(void* p) {
  Start start = *static_cast<Start*>(p);
  delete static_cast<Start*>(p);
  return start.main(start.argument);
}
}  // namespace

Thread startThread(ThreadMain main, void* argument, uint64_t stackBytes) {
  Thread thread;
  auto* start = new Start{main, argument};
  HANDLE handle = CreateThread(nullptr, static_cast<SIZE_T>(stackBytes), threadEntry, start,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!handle) {
    delete start;
    return thread;
  }
  thread.handle = handle;
  return thread;
}

uint32_t joinThread(Thread& thread) {
  if (!thread.handle) return 0;
  HANDLE handle = static_cast<HANDLE>(thread.handle);
  WaitForSingleObject(handle, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  CloseHandle(handle);
  thread.handle = nullptr;
  return code;
}

void forgetThread(Thread& thread) {
  if (thread.handle) CloseHandle(static_cast<HANDLE>(thread.handle));
  thread.handle = nullptr;
}

[[noreturn]] void exitThread(uint32_t code) { ExitThread(code); }
