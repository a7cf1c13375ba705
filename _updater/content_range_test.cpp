#include "content_range.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace updater {
namespace {

TEST(ContentRange, ParseTable) {
  constexpr std::uint64_t kMax = ~std::uint64_t{0};
  // text; satisfied, first, last, total known, total
  const std::tuple<const char*, bool, std::uint64_t, std::uint64_t, bool, std::uint64_t> rows[] = {
      // clang-format off
      {"bytes 0-99/100", true, 0, 99, true, 100}, {"  BYTES\t100-199/*  ", true, 100, 199, false, 0},
      {"bytes */1000", false, 0, 0, true, 1000}, {"bytes 0-18446744073709551614/18446744073709551615", true, 0, kMax - 1, true, kMax},
      // clang-format on
  };
  for (const auto& [text, satisfied, first, last, totalKnown, total] : rows) {
    ContentRange range;
    ASSERT_TRUE(ParseContentRange(text, std::strlen(text), range)) << text;
    EXPECT_EQ(std::tie(range.satisfied, range.first, range.last, range.totalKnown, range.total),
              std::tie(satisfied, first, last, totalKnown, total))
        << text;
  }
  for (const char* text : {"bytes 0-18446744073709551616/*", "bytes 5-4/10", "bytes 0-10/10",
                           "bytes */*", "bytes 1-2", "bytes -2/3", "bytes 1-2/3x", "items 1-2/3",
                           "bytes1-2/3", "bytes 1 - 2/3", "bytes +1-2/3", ""}) {
    ContentRange range;
    EXPECT_FALSE(ParseContentRange(text, std::strlen(text), range)) << text;
  }
  ContentRange range;  // the length counts, not a terminator
  EXPECT_TRUE(ParseContentRange("bytes 0-1/2junk", 11, range));
}

TEST(ContentRange, RequestAndResumeTables) {
  // 1000 bytes expected: nothing, part, all, more than all on disk.
  EXPECT_EQ(PlanRangeRequest(0, 1000).from + PlanRangeRequest(400, 1000).from, 400u);
  EXPECT_TRUE(PlanRangeRequest(1000, 1000).verifyOnly &&
              PlanRangeRequest(1001, 1000).discardPartial);
  using A = ResumeAction;
  // Of a 1000-byte file: offset asked, status, Content-Range (nullptr: none), decision.
  const std::tuple<std::uint64_t, int, const char*, ResumeDecision> rows[] = {
      // clang-format off
      {0, 200, nullptr, {A::kWrite, 0}}, {400, 200, nullptr, {A::kWrite, 0}},  // Range ignored: from the start
      {400, 206, "bytes 400-999/1000", {A::kWrite, 400}}, {400, 206, "bytes 400-599/*", {A::kWrite, 400}},
      {400, 206, "bytes 300-999/1000", {A::kWrite, 300}}, {400, 206, "bytes 500-999/1000", {A::kRestart, 0}},  // a hole
      {400, 206, "bytes 400-1199/1200", {A::kRestart, 0}}, {400, 206, "bytes 400-499/900", {A::kRestart, 0}},
      {400, 206, "bytes 400-1000/*", {A::kRestart, 0}}, {400, 206, nullptr, {A::kRestart, 0}},
      {400, 206, "bytes */1000", {A::kRestart, 0}}, {1000, 416, "bytes */1000", {A::kVerifyOnly, 0}},
      {1000, 416, nullptr, {A::kVerifyOnly, 0}}, {1000, 416, "bytes */2000", {A::kRestart, 0}},
      {400, 416, "bytes */1000", {A::kRestart, 0}}, {0, 404, nullptr, {A::kFail, 0}},
      // At the edge of what is on disk: just before, at, just after (a one-byte hole).
      {400, 206, "bytes 399-999/1000", {A::kWrite, 399}}, {400, 206, "bytes 401-999/1000", {A::kRestart, 0}},
      {0, 206, "bytes 0-999/1000", {A::kWrite, 0}}, {0, 206, "bytes 1-999/1000", {A::kRestart, 0}},
      // A total one off either way: another file.
      {400, 206, "bytes 400-998/999", {A::kRestart, 0}}, {400, 206, "bytes 400-1000/1001", {A::kRestart, 0}},
      {1000, 416, "bytes */999", {A::kRestart, 0}}, {1000, 416, "bytes */1001", {A::kRestart, 0}},
      // clang-format on
  };
  for (const auto& [asked, status, text, expected] : rows) {
    ContentRange range;
    const bool hasRange = text != nullptr && ParseContentRange(text, std::strlen(text), range);
    EXPECT_EQ(DecideResume(asked, 1000, status, hasRange, range), expected)
        << asked << " " << status << " " << (text ? text : "-");
  }
}

}  // namespace
}  // namespace updater
