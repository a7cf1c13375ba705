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

// The new index keeps the forms of what the kept releases hold, each patch only from a
// content one of them has; the stored forms the index before does not list go.
TEST(FeedPrune, FormsFollowTheKeptReleases) {
  const auto h = [](std::uint8_t byte) { return feed::Hash{byte}; };
  feed::Index current;  // 807.4 holds 1 and 4, 807.5 holds 2 and 4
  current.releases.resize(2);
  current.releases[0].version = {807, 4};
  current.releases[0].files = {{"a", 0, {h(1), 1}}, {"c", 0, {h(4), 1}}};
  current.releases[1].version = {807, 5};
  current.releases[1].files = {{"a", 0, {h(2), 1}}, {"c", 0, {h(4), 1}}};
  current.forms = {{h(1), {h(11), 1}, {}},
                   {h(2), {h(12), 1}, {{h(1), {h(21), 1}}, {h(4), {h(24), 1}}}},
                   {h(4), {}, {{h(1), {h(25), 1}}}}};
  PrunePlan plan = PlanPrune(current, 1, {});
  const std::vector<feed::ContentForms> kept = {{h(2), {h(12), 1}, {{h(4), {h(24), 1}}}}};
  EXPECT_EQ(plan.index.forms, kept);
  PlanFormsRemoval(current, {h(9), h(2), h(1)}, {{h(1), h(2)}, {h(7), h(8)}, {h(1), h(4)}}, plan);
  EXPECT_EQ(plan.removeCompressed, std::vector<feed::Hash>{h(9)});
  EXPECT_EQ(plan.removePatches, (std::vector<std::pair<feed::Hash, feed::Hash>>{{h(7), h(8)}}));
}

}  // namespace
}  // namespace mksetup
