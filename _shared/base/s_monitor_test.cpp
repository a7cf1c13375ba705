#include "s_monitor.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(CenteredStart, HalvesTheRemainingSpace) {
  EXPECT_EQ(CenteredStart(1024, 363), 330);  // 661 / 2
  EXPECT_EQ(CenteredStart(768, 403), 182);   // 365 / 2
  EXPECT_EQ(CenteredStart(1000, 1000), 0);
}

TEST(CenteredStart, TruncatesTowardZeroForFormsLargerThanTheArea) {
  EXPECT_EQ(CenteredStart(1024, 1025), 0);  // -0.5: zero, not -1
  EXPECT_EQ(CenteredStart(1024, 1027), -1);
  EXPECT_EQ(CenteredStart(0, 5), -2);
}

TEST(CenteredStart, ExtremeExtentsDoNotOverflow) {
  EXPECT_EQ(CenteredStart(INT_MAX, INT_MIN), INT_MAX);
  EXPECT_EQ(CenteredStart(INT_MIN, INT_MAX), INT_MIN + 1);
}

}  // namespace
