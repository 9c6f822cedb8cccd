#include "platform/platform.h"
#include <gtest/gtest.h>
#include <vector>

TEST(Clock, NowIsMonotonicAndMeasuresMilliseconds) {
  double a = nowMs();
  double b = nowMs();
  EXPECT_GE(b, a);
  // Busy work of a known lower bound is not available portably; sleeping is.
  Thread t = startClosureThread(0, [] {
    double start = nowMs();
    while (nowMs() - start < 20) {}
    return 0u;
  });
  joinThread(t);
  EXPECT_GE(nowMs() - a, 20.0);
  EXPECT_LT(nowMs() - a, 60000.0);
}

TEST(Clock, ProcessUptimeIsPositiveAndBelowAnHour) {
  double up = processUptimeMs();
  EXPECT_GT(up, 0.0);
  EXPECT_LT(up, 3600e3);
  double later = processUptimeMs();
  EXPECT_GE(later + 20, up);  // coarse clocks may tick in 10-20 ms steps
}

TEST(MemoryCounters, FollowAllocations) {
  MemoryCounters before = memoryCounters();
  EXPECT_GT(before.workingSet, 0u);
  EXPECT_GE(before.peakWorkingSet, before.workingSet);
  EXPECT_GT(before.privateBytes, 0u);
  std::vector<char> block(64u << 20, 1);
  MemoryCounters after = memoryCounters();
  EXPECT_GE(after.privateBytes, before.privateBytes + (48u << 20));
  EXPECT_GE(after.peakWorkingSet, before.workingSet + (48u << 20));
  EXPECT_GE(after.peakPrivateBytes, after.privateBytes);
  EXPECT_EQ(block[12345], 1);
}

TEST(Identity, AdministratorTestAnswers) {
  // Natively CI runs as root; under Wine the user is an administrator too.
  EXPECT_TRUE(isAdministrator());
}
