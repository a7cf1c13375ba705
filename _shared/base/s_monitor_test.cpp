#include "s_monitor.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(CenteredStart, HalvesTheRemainingSpaceTruncatingTowardZero) {
  struct Row {
    int area, extent, start;
  };
  const Row rows[] = {{1024, 363, 330},
                      {768, 403, 182},
                      {1000, 1000, 0},
                      {1024, 1025, 0},
                      {1024, 1027, -1},
                      {0, 5, -2},  // -0.5 gives 0, not -1
                      {INT_MAX, INT_MIN, INT_MAX},
                      {INT_MIN, INT_MAX, INT_MIN + 1}};
  for (const Row& row : rows)
    EXPECT_EQ(CenteredStart(row.area, row.extent), row.start) << row.area << " " << row.extent;
}

}  // namespace
