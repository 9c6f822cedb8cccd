#include "config/policy.h"
#include <gtest/gtest.h>

TEST(NativePolicies, NeverSet) {
  PolicyRecord policies = readPolicies();
  EXPECT_EQ(policies, PolicyRecord());
  EXPECT_EQ(policies.source, PolicySources());
  EXPECT_EQ(policies.defaultSizeMode, -1);
  EXPECT_EQ(policies.updateCheck, -1);
  EXPECT_TRUE(isPathAllowed(policies.allowedPaths, u"/anywhere"));
}
