#include "feed_prune_plan.h"

#include <gtest/gtest.h>

#include <tuple>

namespace mksetup {
namespace {

feed::Hash H(std::uint8_t byte) {
  return feed::Hash{byte};
}

// Three releases: 807.3 with files 1 and 2, 807.4 with 2 and 3 and notes 4, 807.5 with 3
// and 5; the updater 6, the server list 7. Stored besides: 8, a file no index names.
feed::Index ThreeReleases() {
  feed::Index index;
  index.updater = {H(6), 1};
  index.serverList = {H(7), 1};
  for (std::uint32_t ls : {3u, 4u, 5u}) {
    feed::Release release;
    release.version = {807, ls};
    release.updatesFrom = {807, 3};
    index.releases.push_back(release);
  }
  index.releases[0].files = {{"a", 0, {H(1), 1}}, {"b", 0, {H(2), 1}}};
  index.releases[1].files = {{"b", 0, {H(2), 1}}, {"c", 0, {H(3), 1}}};
  index.releases[1].patchNotes[1] = {H(4), 1};
  index.releases[2].files = {{"c", 0, {H(3), 1}}, {"d", 0, {H(5), 1}}};
  return index;
}

TEST(FeedPrune, PlanKeepsTheNewestAndRemovesOnlyWhatNoIndexNames) {
  using Versions = std::vector<feed::Version>;
  using Hashes = std::vector<feed::Hash>;
  const feed::Index three = ThreeReleases();
  feed::Index pruned = three;  // as a first prune to two leaves it
  pruned.releases.erase(pruned.releases.begin());
  const Hashes stored = {H(8), H(5), H(1), H(2), H(3), H(4), H(6), H(7), H(8)};
  // Current index, releases to keep; kept, dropped, removed afterwards.
  const std::tuple<feed::Index, std::size_t, Versions, Versions, Hashes> rows[] = {
      {three, 5, {{807, 3}, {807, 4}, {807, 5}}, {}, {H(8)}},
      {three, 2, {{807, 4}, {807, 5}}, {{807, 3}}, {H(8)}},  // 807.3's file 1 waits
      {pruned, 1, {{807, 5}}, {{807, 4}}, {H(1), H(8)}},
      {three, 1, {{807, 5}}, {{807, 3}, {807, 4}}, {H(8)}},
  };
  for (const auto& [current, keep, kept, dropped, removed] : rows) {
    const PrunePlan plan = PlanPrune(current, keep, stored);
    EXPECT_EQ(plan.kept, kept) << keep;
    EXPECT_EQ(plan.dropped, dropped) << keep;
    EXPECT_EQ(plan.remove, removed) << keep;
    ASSERT_EQ(plan.index.releases.size(), kept.size());
    EXPECT_EQ(plan.index.releases.back(), current.releases.back());
    EXPECT_EQ(plan.index.releases.front().updatesFrom, (feed::Version{807, 3}));
    EXPECT_EQ(plan.index.updater, current.updater);
  }
  EXPECT_EQ(NamedContent(pruned), (Hashes{H(2), H(3), H(4), H(5), H(6), H(7)}));
}

}  // namespace
}  // namespace mksetup
