// ArchiveCursor: the single read position through which every reader walks the
// record stream. Each read is checked against the body it reads from; a read that
// would leave the body fails and leaves the cursor where it was.
#pragma once

#include <cstdint>

#include "setup_archive.h"

namespace archive {

class ArchiveCursor {
 public:
  ArchiveCursor() = default;
  explicit ArchiveCursor(const SegmentViews* segments) : segments_(segments) {}

  // The three reading primitives (and u64 for FILETIME and checksums).
  [[nodiscard]] bool ReadU32(std::uint32_t& value);
  [[nodiscard]] bool ReadU64(std::uint64_t& value);
  // A Text256 as a pointer into the archive; fails when no NUL lies inside the field.
  [[nodiscard]] bool ReadText(const char*& text);
  [[nodiscard]] bool ReadData(std::uint32_t size, const std::uint8_t*& data);
  [[nodiscard]] bool Skip(std::uint32_t bytes);

  // Moves to the start of the next segment's body; fails (and stays) when that
  // segment is absent or would be the fourth.
  [[nodiscard]] bool NextSegment();

  // Fails (and stays) for a segment outside 1..3; an offset past the body is taken,
  // and the next read from there is refused.
  bool Seek(int segment, std::uint32_t offset);
  int segment() const { return segment_; }  // 1..3
  std::uint32_t offset() const { return offset_; }
  std::uint32_t remaining() const;

 private:
  bool Take(std::uint32_t bytes, const std::uint8_t*& at);

  const SegmentViews* segments_ = nullptr;
  int segment_ = 1;
  std::uint32_t offset_ = 0;
};

// The segment switching rule, applied after each complete file record: adds the
// record's size to the running total of the current segment and moves to the next
// segment when the total is strictly above SEGMENT_DATA_LIMIT.
enum class SegmentStep { Stayed, Switched, Corrupt };
SegmentStep AfterFileRecord(ArchiveCursor& cursor, std::uint64_t& segmentTotal,
                            std::uint32_t recordSize);

}  // namespace archive
