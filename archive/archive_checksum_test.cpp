#include "archive_checksum.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace archive {
namespace {

TEST(ByteSum, MatchesAPlainSumAtEveryLengthAndAlignment) {
  std::vector<std::uint8_t> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(255 - i * 7);
  for (std::size_t start = 0; start < 17; ++start)
    for (std::size_t length = 0; start + length <= bytes.size(); length += 13) {
      const std::uint64_t expected =
          std::accumulate(bytes.begin() + start, bytes.begin() + start + length, std::uint64_t{0});
      ASSERT_EQ(ByteSum(bytes.data() + start, length), expected) << start << "+" << length;
    }
}

TEST(ByteSum, AllOnesOverManyBlocksDoesNotWrap) {
  std::vector<std::uint8_t> bytes(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(bytes.data(), bytes.size()), 255ull << 20);
}

std::vector<std::uint32_t> Points(std::uint32_t length, std::uint64_t* sum = nullptr) {
  std::vector<std::uint8_t> body(length, 2);
  std::vector<std::uint32_t> points;
  const std::uint64_t total =
      ByteSumWithProgress(body.data(), length, [&](std::uint32_t at) { points.push_back(at); });
  if (sum) *sum = total;
  return points;
}

TEST(ByteSumWithProgress, TenPointsForAMultipleOfTenElevenOtherwise) {
  std::uint64_t sum = 0;
  auto points = Points(100, &sum);
  EXPECT_EQ(points.size(), 10u);
  EXPECT_EQ(points.back(), 90u);
  EXPECT_EQ(sum, 200u);
  points = Points(95, &sum);
  ASSERT_EQ(points.size(), 11u);
  EXPECT_EQ(points[1], 9u);
  EXPECT_EQ(points.back(), 90u);  // the largest multiple of the step below the length
  EXPECT_EQ(sum, 190u);
  EXPECT_EQ(Points(90).size(), 10u);
  EXPECT_EQ(Points(99).size(), 11u);
}

TEST(ByteSumWithProgress, EmptyAndTinyBodies) {
  std::uint64_t sum = 1;
  EXPECT_TRUE(Points(0, &sum).empty());
  EXPECT_EQ(sum, 0u);
  auto points = Points(9, &sum);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0], 0u);
  EXPECT_EQ(sum, 18u);
}

}  // namespace
}  // namespace archive
