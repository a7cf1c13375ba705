// FILETIME: 100-nanosecond ticks since 1601-01-01 00:00 UTC, as the archive stores it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace mksetup {

inline constexpr std::uint64_t kUnixEpochAsFileTime = 116'444'736'000'000'000ull;

// False for a time before 1601, which a FILETIME cannot hold.
bool ToFileTime(std::filesystem::file_time_type time, std::uint64_t& fileTime);
bool UnixTicksToFileTime(std::int64_t ticksSinceUnixEpoch, std::uint64_t& fileTime);

// "2024-03-09 17:05:42 UTC"
std::string FormatFileTime(std::uint64_t fileTime);

}  // namespace mksetup
