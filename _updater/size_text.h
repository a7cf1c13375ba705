// How big an update reads: a number and its unit's catalogue id (209 Bytes, 210 KBytes,
// 211 MBytes), and the check's line "New files found: N, overall length: SIZE UNIT".
#pragma once

#include <cstdint>
#include <string>

namespace updater {

struct SizeText {
  std::string number;  // whole bytes, or kilo/megabytes (1024) with one decimal
  std::uint32_t unitId = 0;
  friend bool operator==(const SizeText&, const SizeText&) = default;
};

// Rounded half up to a tenth; a tenth that rounds up to 1024 moves to the next unit.
SizeText DescribeSize(std::uint64_t bytes);

// 207, the count, 208, the size and its unit, in the catalogue's current language.
std::string NewFilesLine(std::uint64_t count, std::uint64_t bytes);

// During downloads: what has arrived of the total, the rate and the time left, as
// "3.1 MBytes / 20.2 MBytes, 1.0 MBytes/s, 0:17", each size in the unit 209 to 211
// give it (without their full stop), the time left in minutes and seconds (hours
// before them once there are any). `received` bytes of `done` came in the last
// `elapsedMs` milliseconds; before a second has passed, or with nothing received, the
// rate and the time are left out.
std::string TransferLine(std::uint64_t done, std::uint64_t total, std::uint64_t received,
                         std::uint64_t elapsedMs);

}  // namespace updater
