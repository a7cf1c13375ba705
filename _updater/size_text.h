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

}  // namespace updater
