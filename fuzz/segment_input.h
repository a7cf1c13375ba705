// How the archive target cuts one fuzz input into the up to three segment resources
// that Setup.exe finds in its image: byte 0 chooses the count (1 + byte % 3), then a
// u32 little-endian resource length for each segment but the last, which takes the
// rest. Lengths past the end are cut at the end. The corpus maker packs real
// segment files the same way, so seeds start out as whole archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzzing {

inline std::vector<std::vector<std::uint8_t>> SplitSegments(const std::uint8_t* data,
                                                            std::size_t size) {
  std::vector<std::vector<std::uint8_t>> segments;
  if (size == 0) return segments;
  const std::size_t count = 1 + data[0] % 3;
  std::size_t at = 1;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    std::size_t length = 0;
    if (at + 4 <= size) {
      length = std::size_t{data[at]} | std::size_t{data[at + 1]} << 8 |
               std::size_t{data[at + 2]} << 16 | std::size_t{data[at + 3]} << 24;
      at += 4;
    } else {
      at = size;
    }
    if (length > size - at) length = size - at;
    segments.emplace_back(data + at, data + at + length);
    at += length;
  }
  segments.emplace_back(data + at, data + size);
  return segments;
}

inline std::vector<std::uint8_t> PackSegments(const std::vector<std::vector<std::uint8_t>>& parts) {
  std::vector<std::uint8_t> out;
  out.push_back(static_cast<std::uint8_t>(parts.size() - 1));
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto length = static_cast<std::uint32_t>(parts[i].size());
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<std::uint8_t>(length >> shift));
  }
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace fuzzing
