#include "paint_pace.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(PaintPace, PaintsTheFirstFileAndThenOncePerFrameAcrossTheTickCountsWrap) {
  const struct {
    std::uint32_t now;
    bool due;
  } ticks[] = {{0xFFFFFFF0u, true}, {0xFFFFFFF0u, false}, {0xFFFFFFFFu, false}, {0, true},
               {15, false},         {16, true},           {60, true},           {61, false}};
  setup::PaintPace pace;
  for (const auto& tick : ticks) EXPECT_EQ(pace.Due(tick.now), tick.due) << tick.now;
}
