// Mutex and condition variables on pthreads.
#include "platform/lock.h"
#include <pthread.h>
#include <new>

static_assert(sizeof(pthread_mutex_t) <= sizeof(Mutex::storage), "mutex storage too small");
static_assert(sizeof(pthread_cond_t) <= sizeof(ConditionVariable::storage), "condition storage too small");

static pthread_mutex_t* native(Mutex& m) { return reinterpret_cast<pthread_mutex_t*>(m.storage); }
static pthread_cond_t* native(ConditionVariable& c) { return reinterpret_cast<pthread_cond_t*>(c.storage); }

void initMutex(Mutex& mutex) { pthread_mutex_init(native(mutex), nullptr); }
void destroyMutex(Mutex& mutex) { pthread_mutex_destroy(native(mutex)); }
void lockMutex(Mutex& mutex) { pthread_mutex_lock(native(mutex)); }
void unlockMutex(Mutex& mutex) { pthread_mutex_unlock(native(mutex)); }

void initConditionVariable(ConditionVariable& condition) { pthread_cond_init(native(condition), nullptr); }
void destroyConditionVariable(ConditionVariable& condition) { pthread_cond_destroy(native(condition)); }
void waitCondition(ConditionVariable& condition, Mutex& mutex) {
  pthread_cond_wait(native(condition), native(mutex));
}
void wakeOne(ConditionVariable& condition) { pthread_cond_signal(native(condition)); }
void wakeAll(ConditionVariable& condition) { pthread_cond_broadcast(native(condition)); }
