// Mutex and condition variables on SRWLOCK and CONDITION_VARIABLE (exclusive mode only).
#include "platform/lock.h"
#include <windows.h>

static_assert(sizeof(SRWLOCK) <= sizeof(Mutex::storage), "mutex storage too small");
static_assert(sizeof(CONDITION_VARIABLE) <= sizeof(ConditionVariable::storage), "condition storage too small");

static SRWLOCK* native(Mutex& m) { return reinterpret_cast<SRWLOCK*>(m.storage); }
static CONDITION_VARIABLE* native(ConditionVariable& c) { return reinterpret_cast<CONDITION_VARIABLE*>(c.storage); }

void initMutex(Mutex& mutex) { InitializeSRWLock(native(mutex)); }
void destroyMutex(Mutex&) {}
void lockMutex(Mutex& mutex) { AcquireSRWLockExclusive(native(mutex)); }
void unlockMutex(Mutex& mutex) { ReleaseSRWLockExclusive(native(mutex)); }

void initConditionVariable(ConditionVariable& condition) { InitializeConditionVariable(native(condition)); }
void destroyConditionVariable(ConditionVariable&) {}
void waitCondition(ConditionVariable& condition, Mutex& mutex) {
  SleepConditionVariableSRW(native(condition), native(mutex), INFINITE, 0);
}
void wakeOne(ConditionVariable& condition) { WakeConditionVariable(native(condition)); }
void wakeAll(ConditionVariable& condition) { WakeAllConditionVariable(native(condition)); }
