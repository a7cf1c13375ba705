#include "content_range.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows name only what matters

namespace updater {
namespace {

TEST(ContentRange, ParseTable) {
  struct Row {
    const char* text;
    bool ok, satisfied;
    std::uint64_t first, last;
    bool totalKnown;
    std::uint64_t total;
  };
  // clang-format off
  const Row rows[] = {
      {"bytes 0-99/100", true, true, 0, 99, true, 100},
      {"  BYTES\t100-199/*  ", true, true, 100, 199, false, 0},
      {"bytes */1000", true, false, 0, 0, true, 1000},
      {"bytes 0-18446744073709551614/18446744073709551615", true, true, 0, 18446744073709551614u, true, 18446744073709551615u},
      {"bytes 0-18446744073709551616/*"},  // past 64 bits
      {"bytes 5-4/10"},                    // backwards
      {"bytes 0-10/10"},                   // past the total
      {"bytes */*"}, {"bytes 1-2"}, {"bytes -2/3"}, {"bytes 1-/3"}, {"bytes 1-2/3x"},
      {"items 1-2/3"}, {"bytes1-2/3"}, {"bytes 1 - 2/3"}, {"bytes +1-2/3"}, {""}, {"bytes "},
  };
  // clang-format on
  for (const Row& row : rows) {
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

TEST(ContentRange, RangeRequestTable) {
  struct Row {
    std::uint64_t partial, expected;
    bool discard, verifyOnly;
    std::uint64_t from;
  };
  const Row rows[] = {
      {0, 100, false, false, 0},  {40, 100, false, false, 40}, {100, 100, false, true, 0},
      {101, 100, true, false, 0}, {0, 0, false, false, 0},
  };
  for (const Row& row : rows) {
    const RangeRequest request = PlanRangeRequest(row.partial, row.expected);
    EXPECT_EQ(std::tie(request.discardPartial, request.verifyOnly, request.from),
              std::tie(row.discard, row.verifyOnly, row.from))
        << row.partial << "/" << row.expected;
  }
}

TEST(ContentRange, ResumeTable) {
  using A = ResumeAction;
  struct Row {
    std::uint64_t asked;
    int status;
    const char* contentRange;  // nullptr: no header
    ResumeDecision expected;
  };
  // The file is 1000 bytes.
  // clang-format off
  const Row rows[] = {
      {0, 200, nullptr, {A::kWrite, 0}},
      {400, 200, nullptr, {A::kWrite, 0}},                       // Range ignored: start over
      {400, 206, "bytes 400-999/1000", {A::kWrite, 400}},        // append
      {400, 206, "bytes 400-599/*", {A::kWrite, 400}},           // part of the rest
      {400, 206, "bytes 300-999/1000", {A::kWrite, 300}},        // earlier: keep 300
      {400, 206, "bytes 0-999/1000", {A::kWrite, 0}},
      {400, 206, "bytes 500-999/1000", {A::kRestart, 0}},        // a hole
      {400, 206, "bytes 400-1199/1200", {A::kRestart, 0}},       // another file
      {400, 206, "bytes 400-499/900", {A::kRestart, 0}},
      {400, 206, "bytes 400-1000/*", {A::kRestart, 0}},          // past the file
      {400, 206, nullptr, {A::kRestart, 0}},                     // multipart or none
      {400, 206, "bytes */1000", {A::kRestart, 0}},
      {1000, 416, "bytes */1000", {A::kVerifyOnly, 0}},
      {1000, 416, nullptr, {A::kVerifyOnly, 0}},
      {1000, 416, "bytes */2000", {A::kRestart, 0}},
      {400, 416, "bytes */1000", {A::kRestart, 0}},
      {0, 404, nullptr, {A::kFail, 0}},
      {400, 503, nullptr, {A::kFail, 0}},
  };
  // clang-format on
  for (const Row& row : rows) {
    ContentRange range;
    const bool hasRange = row.contentRange != nullptr &&
                          ParseContentRange(row.contentRange, std::strlen(row.contentRange), range);
    EXPECT_EQ(DecideResume(row.asked, 1000, row.status, hasRange, range), row.expected)
        << row.asked << " " << row.status << " " << (row.contentRange ? row.contentRange : "-");
  }
}

}  // namespace
}  // namespace updater
