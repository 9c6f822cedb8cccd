// Virtual memory and the out-of-memory rule on Windows.
#include "platform/platform.h"
#include <windows.h>
#include <new>

void* reserveAddressSpace(uint64_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
}

bool commitMemory(void* address, uint64_t bytes) {
  return VirtualAlloc(address, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void decommitMemory(void* address, uint64_t bytes) {
  VirtualFree(address, bytes, MEM_DECOMMIT);
}

void releaseAddressSpace(void* base, uint64_t) { VirtualFree(base, 0, MEM_RELEASE); }

static thread_local bool tWorkerThread = false;

void markWorkerThread() { tWorkerThread = true; }
bool isWorkerThread() { return tWorkerThread; }

[[noreturn]] void failOutOfMemory() {
  if (tWorkerThread) ExitThread(kExitOutOfMemory);
  ExitProcess(kExitOutOfMemory);
}

void installOutOfMemoryHandler() {
  std::set_new_handler([] { failOutOfMemory(); });
}
