// One lock and its condition variables: SRWLOCK + CONDITION_VARIABLE on Windows,
// pthread mutex + condition natively. Storage is opaque so portable code never
// includes an OS header; both objects are set up in place and must not move.
#pragma once
#include <cstdint>

struct Mutex {
  alignas(8) uint8_t storage[40];
};
struct ConditionVariable {
  alignas(8) uint8_t storage[48];
};

void initMutex(Mutex& mutex);
void destroyMutex(Mutex& mutex);
void lockMutex(Mutex& mutex);
void unlockMutex(Mutex& mutex);

void initConditionVariable(ConditionVariable& condition);
void destroyConditionVariable(ConditionVariable& condition);
// Releases `mutex` while asleep and holds it again on return; wakes may be spurious.
void waitCondition(ConditionVariable& condition, Mutex& mutex);
void wakeOne(ConditionVariable& condition);
void wakeAll(ConditionVariable& condition);

// Holds a Mutex for one scope.
struct MutexHold {
  explicit MutexHold(Mutex& m) : mutex(m) { lockMutex(mutex); }
  ~MutexHold() { unlockMutex(mutex); }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;
  Mutex& mutex;
};
