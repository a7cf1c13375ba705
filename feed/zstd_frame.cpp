#include "zstd_frame.h"

#define ZSTD_STATIC_LINKING_ONLY  // the frame header and the stable output buffer
#include <zstd.h>

#include <memory>

namespace feed {
namespace {

struct FreeDCtx {
  void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

FrameProblem CheckHeader(const std::uint8_t* frame, std::size_t frameSize, std::size_t outSize) {
  ZSTD_frameHeader header{};
  if (ZSTD_getFrameHeader(&header, frame, frameSize) != 0 || header.frameType != ZSTD_frame ||
      ZSTD_findFrameCompressedSize(frame, frameSize) != frameSize)
    return FrameProblem::kNotOneFrame;
  if (header.frameContentSize != outSize) return FrameProblem::kWrongSize;
  if (header.windowSize > (std::uint64_t{1} << kMaxWindowLog)) return FrameProblem::kWindowTooLarge;
  return FrameProblem::kNone;
}

}  // namespace

const char* FrameProblemText(FrameProblem problem) {
  switch (problem) {
    case FrameProblem::kNone:
      return "decoded";
    case FrameProblem::kNotOneFrame:
      return "is not one zstd frame";
    case FrameProblem::kWrongSize:
      return "names another size than the index";
    case FrameProblem::kWindowTooLarge:
      return "asks for a window above the limit";
    case FrameProblem::kCorrupt:
      return "does not decode";
    case FrameProblem::kNoMemory:
      return "found no memory to decode";
  }
  return "unknown problem";
}

FrameProblem DecodeFrame(const std::uint8_t* frame, std::size_t frameSize,
                         const std::uint8_t* reference, std::size_t referenceSize,
                         std::uint8_t* out, std::size_t outSize) {
  if (const FrameProblem problem = CheckHeader(frame, frameSize, outSize);
      problem != FrameProblem::kNone)
    return problem;
  const std::unique_ptr<ZSTD_DCtx, FreeDCtx> context(ZSTD_createDCtx());
  if (!context) return FrameProblem::kNoMemory;
  // The limit set here, not left to the library's default; the output is the caller's
  // whole buffer, so the decoder keeps no window of its own; the reference is only
  // pointed at, never copied.
  if (ZSTD_isError(ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, kMaxWindowLog)) ||
      ZSTD_isError(ZSTD_DCtx_setParameter(context.get(), ZSTD_d_stableOutBuffer, 1)) ||
      (referenceSize > 0 &&
       ZSTD_isError(ZSTD_DCtx_refPrefix(context.get(), reference, referenceSize))))
    return FrameProblem::kNoMemory;
  ZSTD_inBuffer in{frame, frameSize, 0};
  ZSTD_outBuffer output{out, outSize, 0};
  for (;;) {
    const std::size_t inBefore = in.pos, outBefore = output.pos;
    const std::size_t left = ZSTD_decompressStream(context.get(), &output, &in);
    if (ZSTD_isError(left)) return FrameProblem::kCorrupt;
    if (left == 0) break;
    // A frame that ends early stops moving.
    if (in.pos == inBefore && output.pos == outBefore) return FrameProblem::kCorrupt;
  }
  return output.pos == outSize && in.pos == in.size ? FrameProblem::kNone : FrameProblem::kCorrupt;
}

}  // namespace feed
