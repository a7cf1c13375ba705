#include "transfer_rules.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace updater {
namespace {

TEST(TransferRules, RateOverAnyWindowAndRedirects) {
  // 30 KiB over any 30 s: arrivals (ms, bytes), too slow at `at`? Redirects: how many before.
  using Arrivals = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  using S = RedirectStep;
  // clang-format off
  const std::tuple<Arrivals, std::uint64_t, bool> rates[] = {
      {{}, 29'999, false}, {{{29'000, 1}}, 30'000, true},  // the first window given; a byte in 29 s
      {{{10'000, 30 * 1024 - 1}}, 30'000, true}, {{{1'000, 30 * 1024}}, 30'500, false},
      {{{1'000, 30 * 1024}}, 31'000, true},  // then 30 s quiet
      {{{1'000, 30 * 1024}, {40'000, 10}}, 45'000, true},  // fast, then a trickle
      {{{1'000, 30 * 1024}, {35'000, 30 * 1024}}, 60'000, false}};
  const std::tuple<int, const char*, int, S> redirects[] = {
      {200, "", 0, S::kNone}, {302, "http://b/x", 0, S::kFollow}, {301, "HTTPS://b/x", 4, S::kFollow},
      {307, "http://b/x", 5, S::kTooMany}, {308, "ftp://b/x", 0, S::kRefusedScheme},
      {303, "httpx://b/", 0, S::kRefusedScheme}, {302, "", 0, S::kNoLocation}};
  // clang-format on
  for (const auto& [arrivals, at, slow] : rates) {
    RateWatch watch({30'000, 30 * 1024}, 0);
    for (const auto& [time, bytes] : arrivals) watch.Add(time, bytes);
    EXPECT_EQ(watch.TooSlow(at), slow) << at << " after " << arrivals.size() << " arrivals";
  }
  for (const auto& [status, location, followed, step] : redirects)
    EXPECT_EQ(DecideRedirect(status, location, followed), step) << status << " " << location;
}

}  // namespace
}  // namespace updater
