#include "file_time.h"

#include <chrono>
#include <cstdio>

namespace mksetup {

using FileTimeTicks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;

bool ToFileTime(std::filesystem::file_time_type time, std::uint64_t& fileTime) {
  const auto system = std::chrono::file_clock::to_sys(time);
  return UnixTicksToFileTime(std::chrono::floor<FileTimeTicks>(system.time_since_epoch()).count(),
                             fileTime);
}

bool UnixTicksToFileTime(std::int64_t sinceUnix, std::uint64_t& fileTime) {
  const std::int64_t epoch = static_cast<std::int64_t>(kUnixEpochAsFileTime);
  if (sinceUnix < -epoch) return false;
  fileTime = static_cast<std::uint64_t>(sinceUnix + epoch);
  return true;
}

std::string FormatFileTime(std::uint64_t fileTime) {
  const std::uint64_t seconds = fileTime / 10'000'000;
  const std::int64_t days = static_cast<std::int64_t>(seconds / 86'400);
  const std::uint64_t inDay = seconds % 86'400;
  // Civil date from days since 1601-01-01 (a Monday at the start of a 400-year cycle).
  const std::chrono::sys_days date =
      std::chrono::sys_days(std::chrono::year(1601) / 1 / 1) + std::chrono::days(days);
  const std::chrono::year_month_day ymd(date);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u UTC",
                static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()), static_cast<unsigned>(inDay / 3600),
                static_cast<unsigned>(inDay / 60 % 60), static_cast<unsigned>(inDay % 60));
  return text;
}

}  // namespace mksetup
