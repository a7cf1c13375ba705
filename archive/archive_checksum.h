// The segment checksum: the u64 sum of every body byte taken as 0..255.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archive {

// Sums wide: a byte-at-a-time loop through a call would cost the user seconds on a
// large archive, so this is written to run at memory speed.
std::uint64_t ByteSum(const std::uint8_t* data, std::size_t length);

// Sums one body in the steps the preparation window shows: progress(i) is called at
// every i that is a multiple of length / 10, i = 0 included, before byte i is added.
// A body of 1 to 9 bytes has no tenth; it gets the single point 0.
template <class Progress>
std::uint64_t ByteSumWithProgress(const std::uint8_t* body, std::uint32_t length,
                                  Progress&& progress) {
  std::uint64_t sum = 0;
  if (length == 0) return sum;
  const std::uint32_t step = length / 10 != 0 ? length / 10 : length;
  for (std::uint32_t at = 0; at < length; at += step) {
    progress(at);
    const std::uint32_t chunk = length - at < step ? length - at : step;
    sum += ByteSum(body + at, chunk);
  }
  return sum;
}

}  // namespace archive
