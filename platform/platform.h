// The thin OS layer: the one header every portable folder may include for
// operating-system services. Implemented in platform/win32/ and platform/posix/,
// chosen by the build.
//
// Sections: virtual memory · out of memory · threads · clocks and memory figures · identity
#pragma once
#include <cstdint>
#include <cstddef>
#include <memory>
#include <type_traits>

// --- Virtual memory ---------------------------------------------------------
// Address space is reserved once and committed page by page as arrays grow,
// so elements never move. Sizes are multiples of kPageBytes.
constexpr uint64_t kPageBytes = 4096;

void* reserveAddressSpace(uint64_t bytes);                 // null when refused
bool commitMemory(void* address, uint64_t bytes);          // zero-filled pages
void decommitMemory(void* address, uint64_t bytes);        // contents are lost
void releaseAddressSpace(void* base, uint64_t bytes);      // the whole reservation

// --- Out of memory ------------------------------------------------------------
// Out of memory is never returned as an error. A thread marked as a worker ends
// itself with this exit code, which its starter reads from the join; on any other
// thread the process ends with it.
constexpr uint32_t kExitOutOfMemory = 0xC0000017;

void markWorkerThread();
bool isWorkerThread();
[[noreturn]] void failOutOfMemory();
// Routes failed operator new through failOutOfMemory (once, at process start).
void installOutOfMemoryHandler();

// --- Threads -----------------------------------------------------------------
constexpr uint64_t kEngineThreadStackBytes = 8ull << 20;

struct Thread {
  void* handle = nullptr;   // null: the thread could not be started
};
using ThreadMain = uint32_t (*)(void* argument);

Thread startThread(ThreadMain main, void* argument, uint64_t stackBytes);
uint32_t joinThread(Thread& thread);          // waits, returns the exit code, frees the handle
void forgetThread(Thread& thread);            // lets it run on unjoined; frees the handle
[[noreturn]] void exitThread(uint32_t code);  // ends the calling thread started by startThread

// Starts `closure` (moved to the heap, owned and freed by the new thread) on a
// thread with the given stack reservation. The closure returns the exit code.
template <typename Closure>
Thread startClosureThread(uint64_t stackBytes, Closure&& closure) {
  using Stored = std::remove_reference_t<Closure>;
  auto* heap = new Stored(static_cast<Closure&&>(closure));
  Thread thread = startThread([](void* p) -> uint32_t {
    // Natively exitThread unwinds and still frees the closure.
    std::unique_ptr<Stored> c(static_cast<Stored*>(p));
    return (*c)();
  }, heap, stackBytes);
  if (!thread.handle) delete heap;
  return thread;
}

// Runs `body` on a new thread with the engine stack, marked for the out-of-memory
// rule, waits and returns its exit code; a thread that cannot start counts as out of memory.
template <typename Body>
uint32_t startEngineThread(Body&& body) {
  Thread thread = startClosureThread(kEngineThreadStackBytes, [&body]() -> uint32_t {
    markWorkerThread();
    body();
    return 0;
  });
  if (!thread.handle) return kExitOutOfMemory;
  return joinThread(thread);
}

// --- Clocks and memory figures -----------------------------------------------
double nowMs();               // monotonic milliseconds
double processUptimeMs();     // milliseconds since this process was created

struct MemoryCounters {
  uint64_t workingSet = 0;          // resident bytes
  uint64_t peakWorkingSet = 0;
  uint64_t privateBytes = 0;        // committed private bytes
  uint64_t peakPrivateBytes = 0;    // natively: the larger of private bytes and peak resident
};
MemoryCounters memoryCounters();

// --- Identity ------------------------------------------------------------------
bool isAdministrator();       // Windows: member of BUILTIN\Administrators; POSIX: effective uid 0
