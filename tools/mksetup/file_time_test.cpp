#include "file_time.h"

#include <gtest/gtest.h>

#include <chrono>

namespace mksetup {
namespace {

using namespace std::chrono;

TEST(FileTime, CountsTicksFrom1601AndPrintsThemAsUtc) {
  const struct {
    sys_seconds time;
    std::uint64_t ticks;
    const char* text;
  } rows[] = {
      {sys_days(year(1970) / 1 / 1), kUnixEpochAsFileTime, "1970-01-01 00:00:00 UTC"},
      {sys_days(year(2000) / 1 / 1) + 1s, 125'911'584'010'000'000ull, "2000-01-01 00:00:01 UTC"},
      {sys_days(year(2024) / 2 / 29) + 23h + 5min + 42s, 133'537'215'420'000'000ull,
       "2024-02-29 23:05:42 UTC"},
  };
  for (const auto& row : rows) {
    std::uint64_t ticks = 0;
    ASSERT_TRUE(ToFileTime(file_clock::from_sys(row.time), ticks));
    EXPECT_EQ(ticks, row.ticks);
    EXPECT_EQ(FormatFileTime(ticks + 9'999'999), row.text);  // a fraction is cut, not rounded
  }
  EXPECT_EQ(FormatFileTime(0), "1601-01-01 00:00:00 UTC");
  const auto epoch = static_cast<std::int64_t>(kUnixEpochAsFileTime);
  std::uint64_t ticks = 1;
  EXPECT_TRUE(UnixTicksToFileTime(-epoch, ticks) && ticks == 0);
  EXPECT_FALSE(UnixTicksToFileTime(-epoch - 1, ticks));
}

}  // namespace
}  // namespace mksetup
