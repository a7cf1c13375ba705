#include "file_time.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

// Times from the Unix epoch on; the 1601 start of a FILETIME is the lower bound.
TEST(FileTime, CountsTicksFrom1601) {
  const auto epoch = static_cast<std::int64_t>(kUnixEpochAsFileTime);
  std::uint64_t ticks = 1;
  EXPECT_TRUE(UnixTicksToFileTime(-epoch, ticks) &&
              FormatFileTime(ticks) == "1601-01-01 00:00:00 UTC");
  EXPECT_FALSE(UnixTicksToFileTime(-epoch - 1, ticks));
  EXPECT_TRUE(UnixTicksToFileTime(9'999'999, ticks) &&
              FormatFileTime(ticks) == "1970-01-01 00:00:00 UTC");
}

}  // namespace
}  // namespace mksetup
