#include "archive_cursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace archive {
namespace {

SegmentView View(const std::vector<std::uint8_t>& bytes) {
  static const std::uint8_t kEmpty = 0;  // a present body of length 0 still has a pointer
  return {bytes.empty() ? &kEmpty : bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

TEST(ArchiveCursor, ReadsLittleEndianAndStopsAtTheEnd) {
  std::vector<std::uint8_t> body = {0x78, 0x56, 0x34, 0x12, 1, 2, 3, 4, 5, 6, 7, 0x80, 9};
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  std::uint32_t u32 = 0;
  std::uint64_t u64 = 0;
  ASSERT_TRUE(cursor.ReadU32(u32));
  EXPECT_EQ(u32, 0x12345678u);
  ASSERT_TRUE(cursor.ReadU64(u64));
  EXPECT_EQ(u64, 0x8007060504030201ull);
  EXPECT_EQ(cursor.remaining(), 1u);
  EXPECT_FALSE(cursor.ReadU32(u32));  // 1 byte left: refused, cursor unmoved
  EXPECT_EQ(cursor.offset(), 12u);
  const std::uint8_t* data = nullptr;
  EXPECT_FALSE(cursor.ReadData(2, data));
  ASSERT_TRUE(cursor.ReadData(1, data));
  EXPECT_EQ(*data, 9);
  ASSERT_TRUE(cursor.ReadData(0, data));  // an empty file at the very end of a body
  EXPECT_EQ(cursor.remaining(), 0u);
}

TEST(ArchiveCursor, DataSizeNearFourGigabytesDoesNotWrapAround) {
  std::vector<std::uint8_t> body(16, 0);
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  ASSERT_TRUE(cursor.Skip(8));
  const std::uint8_t* data = nullptr;
  EXPECT_FALSE(cursor.ReadData(0xFFFFFFFFu, data));
  EXPECT_FALSE(cursor.Skip(0xFFFFFFF9u));
  EXPECT_EQ(cursor.offset(), 8u);
}

TEST(ArchiveCursor, Text256TakesWholeFieldAndNeedsANul) {
  std::vector<std::uint8_t> body(3 * kText256Size, 0);
  std::memset(body.data(), 'a', kText256MaxLength);                // 255 characters plus NUL
  std::memset(body.data() + 2 * kText256Size, 'b', kText256Size);  // no NUL at all
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  const char* text = nullptr;
  ASSERT_TRUE(cursor.ReadText(text));
  EXPECT_EQ(std::strlen(text), 255u);
  ASSERT_TRUE(cursor.ReadText(text));  // all zero: the empty text
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(cursor.ReadText(text));
  EXPECT_EQ(cursor.offset(), 2 * kText256Size);
}

TEST(ArchiveCursor, Text256CutShortByTheBodyIsRefused) {
  std::vector<std::uint8_t> body(kText256Size - 1, 0);
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  const char* text = nullptr;
  EXPECT_FALSE(cursor.ReadText(text));
}

TEST(ArchiveCursor, SwitchesOnlyToPresentSegmentsAndNeverPastTheThird) {
  std::vector<std::uint8_t> one(4, 1), two, three(4, 3);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  ASSERT_TRUE(cursor.Skip(4));
  ASSERT_TRUE(cursor.NextSegment());  // an empty but present segment 2
  EXPECT_EQ(cursor.segment(), 2);
  EXPECT_EQ(cursor.offset(), 0u);
  EXPECT_FALSE(cursor.NextSegment());  // segment 3 absent
  EXPECT_EQ(cursor.segment(), 2);
  segments[2] = View(three);
  ASSERT_TRUE(cursor.NextSegment());
  std::uint32_t value = 0;
  ASSERT_TRUE(cursor.ReadU32(value));
  EXPECT_EQ(value, 0x03030303u);
  EXPECT_FALSE(cursor.NextSegment());  // there is no fourth
}

TEST(SegmentSwitching, ExactlyTheLimitStaysOneMoreByteSwitches) {
  std::vector<std::uint8_t> one(1), two(1);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  std::uint64_t total = 0;
  EXPECT_EQ(AfterFileRecord(cursor, total, SEGMENT_DATA_LIMIT - 10), SegmentStep::Stayed);
  EXPECT_EQ(AfterFileRecord(cursor, total, 10), SegmentStep::Stayed);
  EXPECT_EQ(total, SEGMENT_DATA_LIMIT);
  EXPECT_EQ(AfterFileRecord(cursor, total, 0), SegmentStep::Stayed);  // empty file: no change
  EXPECT_EQ(AfterFileRecord(cursor, total, 1), SegmentStep::Switched);
  EXPECT_EQ(cursor.segment(), 2);
  EXPECT_EQ(total, 0u);
  EXPECT_EQ(AfterFileRecord(cursor, total, SEGMENT_DATA_LIMIT + 1), SegmentStep::Corrupt);
}

TEST(SegmentSwitching, SingleHugeRecordDoesNotOverflowTheTotal) {
  std::vector<std::uint8_t> one(1), two(1);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  std::uint64_t total = SEGMENT_DATA_LIMIT;
  EXPECT_EQ(AfterFileRecord(cursor, total, 0xFFFFFFFFu), SegmentStep::Switched);
}

}  // namespace
}  // namespace archive
