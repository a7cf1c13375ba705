// Checks a built archive as Setup.exe will: each segment's stored checksum against
// the byte sum of its body, the segments a Full archive needs, and the structure.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "setup_archive.h"

namespace mksetup {

// Whole segments, checksum included; an absent segment is empty and has no data.
struct ArchiveSegments {
  std::array<std::span<const std::uint8_t>, archive::kMaxSegments> segments{};
  int count = 0;  // segments 1..count are present

  archive::SegmentViews Views() const;
  std::uint64_t StoredChecksum(int segment) const;  // 1-based
};

// False with `problem` when the archive would be refused or mis-installed.
bool CheckSegments(const ArchiveSegments& archive, std::string& problem);

}  // namespace mksetup
