#include "archive_cursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "archive_checksum.h"

namespace archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

SegmentView View(const Bytes& bytes) {
  static const std::uint8_t kEmpty = 0;  // a present body of length 0 still has a pointer
  return {bytes.empty() ? &kEmpty : bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

TEST(ByteSum, MatchesAPlainSumAtEveryLengthAndAlignmentWithoutWrapping) {
  Bytes bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(255 - i * 7);
  for (std::size_t start = 0; start < 17; ++start)
    for (std::size_t length = 0; start + length <= bytes.size(); length += 13)
      ASSERT_EQ(ByteSum(bytes.data() + start, length),
                std::accumulate(bytes.begin() + start, bytes.begin() + start + length, 0ull));
  const Bytes ones(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(ones.data(), ones.size()), 255ull << 20);
}

// Progress every tenth of the body: ten points for a multiple of ten, else eleven.
TEST(ByteSumWithProgress, PointsAtEachStepOfATenth) {
  const std::pair<std::uint32_t, std::vector<std::uint32_t>> rows[] = {
      {0, {}},
      {9, {0}},
      {95, {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90}},
      {100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}}};
  for (const auto& [length, expected] : rows) {
    const Bytes body(length, 2);
    std::vector<std::uint32_t> points;
    EXPECT_EQ(
        ByteSumWithProgress(body.data(), length, [&](std::uint32_t at) { points.push_back(at); }),
        2ull * length);
    EXPECT_EQ(points, expected) << length;
  }
}

TEST(ArchiveCursor, ReadsLittleEndianAndRefusesEveryReadPastTheBody) {
  const Bytes body = {0x78, 0x56, 0x34, 0x12, 1, 2, 3, 4, 5, 6, 7, 0x80, 9};
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  std::uint32_t u32 = 0;
  std::uint64_t u64 = 0;
  const std::uint8_t* data = nullptr;
  ASSERT_TRUE(cursor.ReadU32(u32) && cursor.ReadU64(u64));
  EXPECT_EQ(u32, 0x12345678u);
  EXPECT_EQ(u64, 0x8007060504030201ull);
  EXPECT_FALSE(cursor.ReadU32(u32) || cursor.ReadData(2, data));  // 1 byte left, cursor unmoved
  EXPECT_FALSE(cursor.ReadData(0xFFFFFFFFu, data) || cursor.Skip(0xFFFFFFF5u));  // no wrap
  EXPECT_EQ(cursor.offset(), 12u);
  ASSERT_TRUE(cursor.ReadData(1, data));
  EXPECT_EQ(*data, 9);
  EXPECT_TRUE(cursor.ReadData(0, data));  // an empty file at the very end of a body
  // Text256 takes the whole field and needs a NUL inside it.
  Bytes texts(4 * kText256Size - 1, 0);
  std::memset(texts.data(), 'a', kText256MaxLength);                // 255 characters plus NUL
  std::memset(texts.data() + 2 * kText256Size, 'b', kText256Size);  // no NUL at all
  segments[0] = View(texts);
  ASSERT_TRUE(cursor.Seek(1, 0));
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

TEST(ArchiveCursor, SeeksAndSwitchesOnlyToPresentSegmentsOneToThree) {
  const Bytes one(4, 1), two, three(4, 3);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  const std::uint8_t* data = nullptr;
  for (int segment : {0, -1, 4, 1000})
    EXPECT_TRUE(!cursor.Seek(segment, 0) && cursor.segment() == 1 && cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(3, 0));  // absent: nothing can be read there, not even 0 bytes
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(1, 5));  // past the body's end
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(1, 4) && cursor.NextSegment());  // an empty but present segment 2
  EXPECT_EQ(cursor.offset(), 0u);
  EXPECT_FALSE(cursor.NextSegment());  // segment 3 absent
  EXPECT_EQ(cursor.segment(), 2);
  segments[2] = View(three);
  ASSERT_TRUE(cursor.NextSegment() && cursor.ReadData(4, data));
  EXPECT_EQ(data, three.data());
  EXPECT_FALSE(cursor.NextSegment());  // there is no fourth
  EXPECT_EQ(cursor.segment(), 3);
}

TEST(SegmentSwitching, ExactlyTheLimitStaysOneMoreByteSwitches) {
  const Bytes one(1), two(1);
  const SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  std::uint64_t total = 0;
  for (std::uint32_t size : {SEGMENT_DATA_LIMIT - 10, 10u, 0u})  // an empty file changes nothing
    EXPECT_EQ(AfterFileRecord(cursor, total, size), SegmentStep::Stayed);
  EXPECT_EQ(AfterFileRecord(cursor, total, 1), SegmentStep::Switched);
  EXPECT_EQ(cursor.segment(), 2);
  EXPECT_EQ(total, 0u);
  EXPECT_EQ(AfterFileRecord(cursor, total, 0xFFFFFFFFu), SegmentStep::Corrupt);  // no overflow
}

}  // namespace
}  // namespace archive
