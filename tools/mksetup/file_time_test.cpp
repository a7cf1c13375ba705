#include "file_time.h"

#include <gtest/gtest.h>

#include <chrono>

namespace mksetup {
namespace {

using namespace std::chrono;

std::filesystem::file_time_type At(sys_days day, seconds inDay = seconds(0)) {
  return file_clock::from_sys(sys_time<seconds>(day) + inDay);
}

TEST(FileTime, CountsHundredNanosecondTicksFrom1601) {
  std::uint64_t value = 0;
  ASSERT_TRUE(ToFileTime(At(sys_days(year(1970) / 1 / 1)), value));
  EXPECT_EQ(value, kUnixEpochAsFileTime);
  ASSERT_TRUE(ToFileTime(At(sys_days(year(2000) / 1 / 1), seconds(1)), value));
  EXPECT_EQ(value, 125'911'584'010'000'000ull);
  ASSERT_TRUE(ToFileTime(At(sys_days(year(2100) / 3 / 1)), value));
  EXPECT_EQ(FormatFileTime(value), "2100-03-01 00:00:00 UTC");
  const auto epoch = static_cast<std::int64_t>(kUnixEpochAsFileTime);
  ASSERT_TRUE(UnixTicksToFileTime(-epoch, value));
  EXPECT_EQ(value, 0u);
  EXPECT_FALSE(UnixTicksToFileTime(-epoch - 1, value));
}

TEST(FileTime, FormatsAsUtcDateAndTime) {
  EXPECT_EQ(FormatFileTime(0), "1601-01-01 00:00:00 UTC");
  EXPECT_EQ(FormatFileTime(kUnixEpochAsFileTime), "1970-01-01 00:00:00 UTC");
  std::uint64_t value = 0;
  ASSERT_TRUE(
      ToFileTime(At(sys_days(year(2024) / 2 / 29), hours(23) + minutes(5) + seconds(42)), value));
  EXPECT_EQ(FormatFileTime(value + 9'999'999), "2024-02-29 23:05:42 UTC");
}

}  // namespace
}  // namespace mksetup
