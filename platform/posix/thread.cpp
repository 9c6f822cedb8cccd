// Threads on POSIX: pthreads with an explicit stack size and a 32-bit exit code.
#include "platform/platform.h"
#include <pthread.h>
#include <cstdlib>

namespace {
struct Start {
  ThreadMain main;
  void* argument;
};

void* threadEntry(void* p) {
  Start start = *static_cast<Start*>(p);
  delete static_cast<Start*>(p);
  uint32_t code = start.main(start.argument);
  return reinterpret_cast<void*>(static_cast<uintptr_t>(code));
}
}  // namespace

Thread startThread(ThreadMain main, void* argument, uint64_t stackBytes) {
  Thread thread;
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return thread;
  if (stackBytes) pthread_attr_setstacksize(&attr, stackBytes);
  auto* start = new Start{main, argument};
  auto* id = new pthread_t;
  if (pthread_create(id, &attr, threadEntry, start) == 0) {
    thread.handle = id;
  } else {
    delete start;
    delete id;
  }
  pthread_attr_destroy(&attr);
  return thread;
}

uint32_t joinThread(Thread& thread) {
  if (!thread.handle) return 0;
  auto* id = static_cast<pthread_t*>(thread.handle);
  void* result = nullptr;
  pthread_join(*id, &result);
  delete id;
  thread.handle = nullptr;
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
}

void forgetThread(Thread& thread) {
  if (!thread.handle) return;
  auto* id = static_cast<pthread_t*>(thread.handle);
  pthread_detach(*id);
  delete id;
  thread.handle = nullptr;
}

[[noreturn]] void exitThread(uint32_t code) {
  pthread_exit(reinterpret_cast<void*>(static_cast<uintptr_t>(code)));
}
