// Virtual memory and the out-of-memory rule on POSIX.
#include "platform/platform.h"
#include <sys/mman.h>
#include <new>
#include <cstdlib>
#include <pthread.h>

void* reserveAddressSpace(uint64_t bytes) {
  // PROT_NONE + MAP_NORESERVE: address space only, no swap accounting until committed.
  void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

bool commitMemory(void* address, uint64_t bytes) {
  return mprotect(address, bytes, PROT_READ | PROT_WRITE) == 0;
}

void decommitMemory(void* address, uint64_t bytes) {
  // Fresh anonymous pages read as zero again, like a Windows decommit + recommit.
  mmap(address, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
}

void releaseAddressSpace(void* base, uint64_t bytes) { munmap(base, bytes); }

static thread_local bool tWorkerThread = false;

void markWorkerThread() { tWorkerThread = true; }
bool isWorkerThread() { return tWorkerThread; }

[[noreturn]] void failOutOfMemory() {
  if (tWorkerThread) exitThread(kExitOutOfMemory);
  // The exit status keeps only the low byte (0x17) on POSIX.
  _Exit(static_cast<int>(kExitOutOfMemory & 0xFF));
}

void installOutOfMemoryHandler() {
  std::set_new_handler([] { failOutOfMemory(); });
}
