#include "content_range.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace updater {
namespace {

constexpr std::uint64_t kMax = ~std::uint64_t{0};

TEST(ContentRange, ParseTable) {
  const struct {
    const char* text;
    bool ok = false, satisfied = false;
    std::uint64_t first = 0, last = 0;
    bool totalKnown = false;
    std::uint64_t total = 0;
  } rows[] = {
      // clang-format off
      {"bytes 0-99/100", true, true, 0, 99, true, 100}, {"  BYTES\t100-199/*  ", true, true, 100, 199},
      {"bytes */1000", true, false, 0, 0, true, 1000}, {"bytes 0-18446744073709551614/18446744073709551615", true, true, 0, kMax - 1, true, kMax},
      {"bytes 0-18446744073709551616/*"}, {"bytes 5-4/10"}, {"bytes 0-10/10"}, {"bytes */*"}, {"bytes 1-2"}, {"bytes -2/3"},
      {"bytes 1-/3"}, {"bytes 1-2/3x"}, {"items 1-2/3"}, {"bytes1-2/3"}, {"bytes 1 - 2/3"}, {"bytes +1-2/3"}, {""},
      // clang-format on
  };
  for (const auto& row : rows) {
    ContentRange range;
    ASSERT_EQ(ParseContentRange(row.text, std::strlen(row.text), range), row.ok) << row.text;
    if (!row.ok) continue;
    EXPECT_EQ(std::tie(range.satisfied, range.first, range.last, range.totalKnown, range.total),
              std::tie(row.satisfied, row.first, row.last, row.totalKnown, row.total))
        << row.text;
  }
  ContentRange range;  // the length counts, not a terminator
  EXPECT_TRUE(ParseContentRange("bytes 0-1/2junk", 11, range));
}

TEST(ContentRange, RequestAndResumeTables) {
  // 1000 bytes expected: nothing, part, all, more than all on disk.
  EXPECT_EQ(PlanRangeRequest(0, 1000).from, 0u);
  EXPECT_EQ(PlanRangeRequest(400, 1000).from, 400u);
  EXPECT_TRUE(PlanRangeRequest(1000, 1000).verifyOnly);
  EXPECT_TRUE(PlanRangeRequest(1001, 1000).discardPartial);
  using A = ResumeAction;
  const struct {
    std::uint64_t asked;
    int status;
    const char* contentRange;  // nullptr: no header
    ResumeDecision expected;
  } rows[] = {
      // The file is 1000 bytes.
      // clang-format off
      {0, 200, nullptr, {A::kWrite, 0}}, {400, 200, nullptr, {A::kWrite, 0}},  // Range ignored: from the start
      {400, 206, "bytes 400-999/1000", {A::kWrite, 400}}, {400, 206, "bytes 400-599/*", {A::kWrite, 400}},
      {400, 206, "bytes 300-999/1000", {A::kWrite, 300}},
      {400, 206, "bytes 500-999/1000", {A::kRestart, 0}},   // a hole
      {400, 206, "bytes 400-1199/1200", {A::kRestart, 0}}, {400, 206, "bytes 400-499/900", {A::kRestart, 0}},
      {400, 206, "bytes 400-1000/*", {A::kRestart, 0}}, {400, 206, nullptr, {A::kRestart, 0}},
      {400, 206, "bytes */1000", {A::kRestart, 0}}, {1000, 416, "bytes */1000", {A::kVerifyOnly, 0}},
      {1000, 416, nullptr, {A::kVerifyOnly, 0}}, {1000, 416, "bytes */2000", {A::kRestart, 0}},
      {400, 416, "bytes */1000", {A::kRestart, 0}}, {0, 404, nullptr, {A::kFail, 0}},
      // clang-format on
  };
  for (const auto& row : rows) {
    ContentRange range;
    const bool hasRange = row.contentRange != nullptr &&
                          ParseContentRange(row.contentRange, std::strlen(row.contentRange), range);
    EXPECT_EQ(DecideResume(row.asked, 1000, row.status, hasRange, range), row.expected)
        << row.asked << " " << row.status << " " << (row.contentRange ? row.contentRange : "-");
  }
}

}  // namespace
}  // namespace updater
