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

TEST(ArchiveCursor, ReadsLittleEndianAndRefusesEveryReadPastTheBody) {
  std::vector<std::uint8_t> body = {0x78, 0x56, 0x34, 0x12, 1, 2, 3, 4, 5, 6, 7, 0x80, 9};
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  std::uint32_t u32 = 0;
  std::uint64_t u64 = 0;
  const std::uint8_t* data = nullptr;
  ASSERT_TRUE(cursor.ReadU32(u32) && cursor.ReadU64(u64));
  EXPECT_EQ(u32, 0x12345678u);
  EXPECT_EQ(u64, 0x8007060504030201ull);
  EXPECT_FALSE(cursor.ReadU32(u32));  // 1 byte left: refused, cursor unmoved
  EXPECT_FALSE(cursor.ReadData(2, data));
  EXPECT_FALSE(cursor.ReadData(0xFFFFFFFFu, data));  // no wrap-around near 4 GiB
  EXPECT_FALSE(cursor.Skip(0xFFFFFFF5u));
  EXPECT_EQ(cursor.offset(), 12u);
  ASSERT_TRUE(cursor.ReadData(1, data));
  EXPECT_EQ(*data, 9);
  EXPECT_TRUE(cursor.ReadData(0, data));  // an empty file at the very end of a body
}

TEST(ArchiveCursor, Text256TakesTheWholeFieldAndNeedsANulInsideIt) {
  std::vector<std::uint8_t> body(3 * kText256Size + kText256Size - 1, 0);
  std::memset(body.data(), 'a', kText256MaxLength);                // 255 characters plus NUL
  std::memset(body.data() + 2 * kText256Size, 'b', kText256Size);  // no NUL at all
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  const char* text = nullptr;
  ASSERT_TRUE(cursor.ReadText(text));
  EXPECT_EQ(std::strlen(text), 255u);
  ASSERT_TRUE(cursor.ReadText(text));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(cursor.ReadText(text));
  EXPECT_EQ(cursor.offset(), 2 * kText256Size);
  ASSERT_TRUE(cursor.Skip(kText256Size));
  EXPECT_FALSE(cursor.ReadText(text));  // a field cut short by the body's end
}

TEST(ArchiveCursor, SeekOutsideTheSegmentTableIsRefusedAndTheCursorStays) {
  std::vector<std::uint8_t> one(4, 1), three(4, 3);
  SegmentViews segments{View(one), {}, View(three)};
  ArchiveCursor cursor(&segments);
  const std::uint8_t* data = nullptr;
  for (int segment : {0, -1, 4, 1000}) {
    EXPECT_FALSE(cursor.Seek(segment, 0)) << segment;
    EXPECT_EQ(cursor.segment(), 1) << segment;
    EXPECT_TRUE(cursor.ReadData(0, data)) << segment;
  }
  ASSERT_TRUE(cursor.Seek(2, 0));  // absent: nothing can be read there, not even 0 bytes
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(3, 5));  // past the body's end
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(3, 0) && cursor.ReadData(4, data));
  EXPECT_EQ(data, three.data());
}

TEST(ArchiveCursor, SwitchesOnlyToPresentSegmentsAndNeverPastTheThird) {
  std::vector<std::uint8_t> one(4, 1), two, three(4, 3);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  ASSERT_TRUE(cursor.Skip(4) && cursor.NextSegment());  // an empty but present segment 2
  EXPECT_EQ(cursor.offset(), 0u);
  EXPECT_FALSE(cursor.NextSegment());  // segment 3 absent
  EXPECT_EQ(cursor.segment(), 2);
  segments[2] = View(three);
  ASSERT_TRUE(cursor.NextSegment());
  EXPECT_FALSE(cursor.NextSegment());  // there is no fourth
  EXPECT_EQ(cursor.segment(), 3);
}

TEST(SegmentSwitching, ExactlyTheLimitStaysOneMoreByteSwitches) {
  std::vector<std::uint8_t> one(1), two(1);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  std::uint64_t total = 0;
  EXPECT_EQ(AfterFileRecord(cursor, total, SEGMENT_DATA_LIMIT - 10), SegmentStep::Stayed);
  EXPECT_EQ(AfterFileRecord(cursor, total, 10), SegmentStep::Stayed);
  EXPECT_EQ(AfterFileRecord(cursor, total, 0), SegmentStep::Stayed);  // empty file: no change
  EXPECT_EQ(AfterFileRecord(cursor, total, 1), SegmentStep::Switched);
  EXPECT_EQ(cursor.segment(), 2);
  EXPECT_EQ(total, 0u);
  EXPECT_EQ(AfterFileRecord(cursor, total, 0xFFFFFFFFu), SegmentStep::Corrupt);  // no overflow
}

}  // namespace
}  // namespace archive
