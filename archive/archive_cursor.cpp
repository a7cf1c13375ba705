#include "archive_cursor.h"

#include <cstring>

namespace archive {

namespace {

bool IsSegmentNumber(int segment) {
  return segment >= 1 && segment <= kMaxSegments;
}

}  // namespace

bool ArchiveCursor::Seek(int segment, std::uint32_t offset) {
  if (!IsSegmentNumber(segment)) return false;
  segment_ = segment;
  offset_ = offset;
  return true;
}

std::uint32_t ArchiveCursor::remaining() const {
  if (segments_ == nullptr || !IsSegmentNumber(segment_)) return 0;
  const SegmentView& view = (*segments_)[segment_ - 1];
  return offset_ <= view.length ? view.length - offset_ : 0;
}

bool ArchiveCursor::Take(std::uint32_t bytes, const std::uint8_t*& at) {
  // remaining() is 0 for a segment outside the table, which a read of 0 bytes would pass.
  if (segments_ == nullptr || !IsSegmentNumber(segment_) || bytes > remaining()) return false;
  const SegmentView& view = (*segments_)[segment_ - 1];
  if (!view.present() || offset_ > view.length) return false;
  at = view.body + offset_;
  offset_ += bytes;
  return true;
}

bool ArchiveCursor::ReadU32(std::uint32_t& value) {
  const std::uint8_t* at = nullptr;
  if (!Take(4, at)) return false;
  value = std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
          std::uint32_t{at[3]} << 24;
  return true;
}

bool ArchiveCursor::ReadU64(std::uint64_t& value) {
  const std::uint8_t* at = nullptr;
  if (!Take(8, at)) return false;
  value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
  return true;
}

bool ArchiveCursor::ReadText(const char*& text) {
  const std::uint32_t start = offset_;
  const std::uint8_t* at = nullptr;
  if (!Take(kText256Size, at)) return false;
  if (std::memchr(at, 0, kText256Size) == nullptr) {
    offset_ = start;
    return false;
  }
  text = reinterpret_cast<const char*>(at);
  return true;
}

bool ArchiveCursor::ReadData(std::uint32_t size, const std::uint8_t*& data) {
  return Take(size, data);
}

bool ArchiveCursor::Skip(std::uint32_t bytes) {
  const std::uint8_t* ignored = nullptr;
  return Take(bytes, ignored);
}

bool ArchiveCursor::NextSegment() {
  if (segments_ == nullptr || segment_ >= kMaxSegments) return false;
  if (!(*segments_)[segment_].present()) return false;
  ++segment_;
  offset_ = 0;
  return true;
}

SegmentStep AfterFileRecord(ArchiveCursor& cursor, std::uint64_t& segmentTotal,
                            std::uint32_t recordSize) {
  segmentTotal += recordSize;
  if (segmentTotal <= SEGMENT_DATA_LIMIT) return SegmentStep::Stayed;
  segmentTotal = 0;
  return cursor.NextSegment() ? SegmentStep::Switched : SegmentStep::Corrupt;
}

}  // namespace archive
