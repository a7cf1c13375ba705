// The feed's compressed files and patches are single zstd frames. Before a byte is
// decoded the frame's header must promise exactly the content the index names and a
// window this reader allows; then it is decoded straight into the caller's buffer,
// against the old content as its reference when it is a patch. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

namespace feed {

// A window of 2^31 bytes covers a patch between two files of up to 1 GiB each; the
// publisher makes no patch it would need more for.
inline constexpr int kMaxWindowLog = 31;
inline constexpr std::uint64_t kMaxPatchedFileSize = std::uint64_t{1} << 30;

enum class FrameProblem {
  kNone,
  kNotOneFrame,  // not a zstd frame, a skippable one, or more than one frame
  kWrongSize,    // the header names another content size, or none
  kWindowTooLarge,
  kCorrupt,  // the frame does not decode (a lying header, a missing or wrong reference)
  kNoMemory,
};

const char* FrameProblemText(FrameProblem problem);

// Checks `frame` and decodes it into `out`, which must take exactly `outSize` bytes.
// `reference` is the old content a patch was made from; nullptr and 0 for a compressed file.
FrameProblem DecodeFrame(const std::uint8_t* frame, std::size_t frameSize,
                         const std::uint8_t* reference, std::size_t referenceSize,
                         std::uint8_t* out, std::size_t outSize);

}  // namespace feed
