#include "feed_prune_plan.h"

#include <gtest/gtest.h>

#include <tuple>

namespace mksetup {
namespace {

TEST(FeedPrune, PlanKeepsTheNewestAndRemovesOnlyWhatNoIndexNames) {
  using Hashes = std::vector<feed::Hash>;
  const auto h = [](std::uint8_t byte) { return feed::Hash{byte}; };
  // 807.3 names 1, 2; 807.4 2, notes 3; 807.5 4; the updater 5; 6 is stored, named by none.
  feed::Index three;
  three.updater = {h(5), 1};
  three.releases.resize(3);
  for (std::uint32_t i = 0; i < 3; ++i) three.releases[i].version = {807, 3 + i};
  three.releases[0].files = {{"a", 0, {h(1), 1}}, {"b", 0, {h(2), 1}}};
  three.releases[1].files = {{"b", 0, {h(2), 1}}};
  three.releases[1].patchNotes[1] = {h(3), 1};
  three.releases[2].files = {{"c", 0, {h(4), 1}}};
  feed::Index two = three;  // as a first prune to two leaves it
  two.releases.erase(two.releases.begin());
  const Hashes stored = {h(6), h(4), h(1), h(2), h(3), h(5), h(6)};
  // Current index, releases to keep; the oldest kept, removed after the index is replaced.
  // clang-format off
  const std::tuple<feed::Index, std::size_t, std::uint32_t, Hashes> rows[] = {
      {three, 5, 3, {h(6)}}, {three, 2, 4, {h(6)}},  // 807.3's file 1 waits for the next prune
      {two, 1, 5, {h(1), h(6)}}, {three, 1, 5, {h(6)}}};
  // clang-format on
  for (const auto& [current, keep, oldest, removed] : rows) {
    const PrunePlan plan = PlanPrune(current, keep, stored);
    EXPECT_EQ(plan.index.releases.front().version, (feed::Version{807, oldest})) << keep;
    EXPECT_EQ(plan.remove, removed) << keep;
    EXPECT_EQ(plan.index.releases.back(), current.releases.back());  // as it was
  }
}

}  // namespace
}  // namespace mksetup
