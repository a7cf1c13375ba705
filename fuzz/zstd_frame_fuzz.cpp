// Arbitrary bytes as a patch or compressed file that passed its hash check: the index's
// size, a reference (the installed file) and the frame, decoded as the updater does it,
// into an output block of exactly the indexed size, so a write past it is caught.
// Input: 3 bytes the content size (little-endian, below 1 MiB so a run stays quick), 2
// bytes the reference's length, the reference, then the frame.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zstd_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::size_t outSize = data[0] | (data[1] << 8) | (std::size_t{data[2] & 0x0Fu} << 16);
  std::size_t referenceSize = data[3] | (data[4] << 8);
  if (referenceSize > size - 5) referenceSize = size - 5;
  const std::vector<std::uint8_t> reference(data + 5, data + 5 + referenceSize);
  const std::vector<std::uint8_t> frame(data + 5 + referenceSize, data + size);
  std::vector<std::uint8_t> out(outSize);
  const feed::FrameProblem problem = feed::DecodeFrame(frame.data(), frame.size(), reference.data(),
                                                       reference.size(), out.data(), out.size());
  // Whatever the bytes say, a problem has its text.
  if (feed::FrameProblemText(problem) == nullptr) std::abort();
  return 0;
}
