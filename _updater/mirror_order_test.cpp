#include "mirror_order.h"

#include <gtest/gtest.h>

#include <tuple>

#include "updater_msg_ids.h"

namespace updater {
namespace {

using R = MirrorReason;
using V = std::vector<std::string>;

TEST(MirrorOrder, SourcesIndexTriesAndFileStepsAcrossThreeMirrors) {
  EXPECT_EQ(IndexSources("a/", {"b/", "a/", "b/"}), (V{"b/", "a/"}));
  EXPECT_EQ(ContentSources({"http://b/x", "http://b/x/index.tdmfeed"}, "a"), V{"http://b/x/"});
  EXPECT_EQ(ContentSources({}, "http://a/"), V{"http://a/"});
  using P = feed::ReadProblem;
  const IndexTry none{IndexFetch::kNoConnection}, missing{IndexFetch::kNotFound},
      bad{IndexFetch::kReceived, P::kBadSignature}, newer{IndexFetch::kReceived, P::kNewerFeed},
      old{IndexFetch::kReceived, P::kNone, feed::Freshness::kReplayed},
      expired{IndexFetch::kReceived, P::kNone, feed::Freshness::kExpired};
  // clang-format off
  const std::tuple<IndexTry, R> tries[] = {
      {{IndexFetch::kReceived}, R::kNone}, {none, R::kNoConnection}, {missing, R::kNotFound},
      {bad, R::kBadIndex}, {newer, R::kNewerFeed}, {old, R::kOlderIndex}, {expired, R::kExpiredIndex}};
  // clang-format on
  for (const auto& [tried, reason] : tries) EXPECT_EQ(IndexReason(tried), reason);
  // What was signed tells most, then a bad index, then a missing one; the first of equals.
  EXPECT_EQ(IndexTryToReport({none, missing, bad, old}), 3u);
  EXPECT_EQ(IndexTryToReport({old, bad, newer, none}), 0u);
  using A = AfterFetch;
  using S = GetStatus;
  using D = std::vector<bool>;
  // Status of try `attempt` at mirror `at`, mirrors given up before; what follows, where,
  // why, whether on another server; given up after.
  // clang-format off
  const std::tuple<S, int, std::size_t, D, A, std::size_t, R, bool, D> steps[] = {
      {S::kOk, 1, 0, {0, 0, 0}, A::kNextFile, kNoMirror, R::kNone, false, {0, 0, 0}},
      {S::kNotFound, 1, 0, {0, 0, 0}, A::kFetchAgain, 1, R::kNotFound, true, {0, 0, 0}},  // lags: this file only
      {S::kNoConnection, 1, 0, {0, 0, 0}, A::kFetchAgain, 1, R::kNoConnection, true, {1, 0, 0}},
      {S::kTooSlow, 1, 0, {0, 1, 0}, A::kFetchAgain, 2, R::kTooSlow, true, {1, 1, 0}},
      {S::kHashMismatch, 1, 1, {0, 0, 0}, A::kFetchAgain, 2, R::kWrongBytes, true, {0, 0, 0}},
      {S::kHashMismatch, 1, 2, {0, 0, 0}, A::kFetchAgain, 2, R::kWrongBytes, false, {0, 0, 0}},  // the last: again
      {S::kHashMismatch, 2, 2, {0, 0, 0}, A::kGiveUp, kNoMirror, R::kWrongBytes, false, {0, 0, 0}},
      {S::kNotFound, 3, 2, {0, 0, 0}, A::kGiveUp, kNoMirror, R::kNotFound, false, {0, 0, 0}},
      {S::kWriteFailed, 1, 0, {0, 0, 0}, A::kGiveUp, kNoMirror, R::kNone, false, {0, 0, 0}}};  // ours
  // clang-format on
  for (auto [status, attempt, at, down, next, mirror, reason, switched, after] : steps) {
    const FileStep step = DecideFileStep(status, false, attempt, at, down);
    EXPECT_EQ(std::tie(step.next, step.mirror, step.reason, step.switched, down),
              std::tie(next, mirror, reason, switched, after))
        << static_cast<int>(status) << " at " << at;
    EXPECT_EQ(step.messages == std::vector<std::uint32_t>{kMsgFileCorruptedRetry},
              status == S::kHashMismatch && next == A::kFetchAgain);
  }
  EXPECT_EQ(FirstMirror({1, 0, 1}) + FirstMirror({1, 1}), 1u + kNoMirror);
}

}  // namespace
}  // namespace updater
