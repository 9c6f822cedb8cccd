// The lock and its condition variables: a strict ping-pong between two threads only
// finishes if every wake reaches its sleeper and the lock excludes both sides.
#include "platform/lock.h"
#include "platform/platform.h"
#include <gtest/gtest.h>

namespace {
struct PingPong {
  Mutex lock;
  ConditionVariable ping, pong;
  int64_t turn = 0;        // even: the main thread plays, odd: the helper
  int64_t unguarded = 0;   // only ever touched with the lock held
};
}  // namespace

TEST(Lock, ConditionVariablesHandTurnsBackAndForth) {
  PingPong p;
  initMutex(p.lock);
  initConditionVariable(p.ping);
  initConditionVariable(p.pong);
  const int64_t rounds = 20000;
  Thread helper = startClosureThread(0, [&p, rounds]() -> uint32_t {
    MutexHold hold(p.lock);
    for (;;) {
      while (p.turn % 2 == 0 && p.turn < 2 * rounds) waitCondition(p.ping, p.lock);
      if (p.turn >= 2 * rounds) return 0;
      p.unguarded += 1;
      p.turn++;
      wakeOne(p.pong);
    }
  });
  {
    MutexHold hold(p.lock);
    while (p.turn < 2 * rounds) {
      p.unguarded += 1;
      p.turn++;
      wakeAll(p.ping);
      while (p.turn % 2 == 1) waitCondition(p.pong, p.lock);
    }
    wakeAll(p.ping);
  }
  EXPECT_EQ(joinThread(helper), 0u);
  EXPECT_EQ(p.unguarded, 2 * rounds);
  destroyConditionVariable(p.pong);
  destroyConditionVariable(p.ping);
  destroyMutex(p.lock);
}
