// The required and available disk space as the wizard and the directory dialog show
// them: one computation for both, so they cannot disagree.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

struct DiskFigures {
  std::string required;   // e.g. "15 MB"
  std::string available;  // "0 MB" when the free space is unknown
  bool operator==(const DiskFigures&) const = default;
};

// Required: the three segment body lengths summed in 32 bits, in whole MiB rounded
// down. Available: the volume's free bytes in whole MiB rounded down.
DiskFigures DiskFiguresFor(const std::array<std::uint32_t, 3>& bodyLengths,
                           std::optional<std::uint64_t> freeBytes);

// The volume root of a directory text: its first three characters ("C:\"), fewer
// when the text is shorter.
std::string VolumeRootOf(std::string_view directory);

// Windows only: the free bytes of the directory's volume, asked without the system's
// "no disk" box (none when the query fails), and the figures for that directory.
std::optional<std::uint64_t> FreeBytesOfVolume(std::string_view directory);
DiskFigures DiskFiguresOf(const std::array<std::uint32_t, 3>& bodyLengths,
                          std::string_view directory);

}  // namespace setup
