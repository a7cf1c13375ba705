#include "archive_checksum.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace archive {
namespace {

TEST(ByteSum, MatchesAPlainSumAtEveryLengthAndAlignmentWithoutWrapping) {
  std::vector<std::uint8_t> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(255 - i * 7);
  for (std::size_t start = 0; start < 17; ++start)
    for (std::size_t length = 0; start + length <= bytes.size(); length += 13)
      ASSERT_EQ(ByteSum(bytes.data() + start, length),
                std::accumulate(bytes.begin() + start, bytes.begin() + start + length, 0ull))
          << start << "+" << length;
  const std::vector<std::uint8_t> ones(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(ones.data(), ones.size()), 255ull << 20);
}

// Progress every tenth of the body: ten points for a multiple of ten, else eleven.
TEST(ByteSumWithProgress, PointsAtEachStepOfATenth) {
  struct Row {
    std::uint32_t length;
    std::vector<std::uint32_t> points;
  };
  const Row rows[] = {{0, {}},
                      {9, {0}},
                      {90, {0, 9, 18, 27, 36, 45, 54, 63, 72, 81}},
                      {95, {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90}},
                      {100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}}};
  for (const Row& row : rows) {
    const std::vector<std::uint8_t> body(row.length, 2);
    std::vector<std::uint32_t> points;
    EXPECT_EQ(ByteSumWithProgress(body.data(), row.length,
                                  [&](std::uint32_t at) { points.push_back(at); }),
              2ull * row.length);
    EXPECT_EQ(points, row.points) << row.length;
  }
}

}  // namespace
}  // namespace archive
