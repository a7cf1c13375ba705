#include "updater_steps.h"

#include <gtest/gtest.h>

#include "updater_msg_ids.h"

namespace updater {
namespace {

using Ids = std::vector<std::uint32_t>;

TEST(Steps, InstallNamesFetchStepsAndExitCodes) {
  std::string name;
  EXPECT_TRUE(InstallName("data/maps/a.map", name) && name == "data\\maps\\a.map");
  for (const char* bad : {"../x", "/x", "a//b", "C:x", ""}) EXPECT_FALSE(InstallName(bad, name));

  using R = FetchResult;
  using N = AfterFetch;
  const Ids failed = {kMsgDownloadFailed, kMsgPleaseTryAgain};
  EXPECT_EQ(DecideAfterFetch(R::kAlreadyThere, 1),
            (FetchStep{N::kNextFile, {kMsgFileAlreadyThere}}));
  EXPECT_EQ(DecideAfterFetch(R::kReceived, 2), (FetchStep{N::kNextFile, {kMsgFileReceived}}));
  EXPECT_EQ(DecideAfterFetch(R::kHashMismatch, 1),
            (FetchStep{N::kFetchAgain, {kMsgFileCorruptedRetry}}));
  EXPECT_EQ(DecideAfterFetch(R::kHashMismatch, 2), (FetchStep{N::kGiveUp, failed}));
  EXPECT_EQ(DecideAfterFetch(R::kFailed, 1), (FetchStep{N::kGiveUp, failed}));
  EXPECT_EQ(DecideAfterFetch(R::kCancelled, 1), (FetchStep{N::kStop, {kMsgCancelled}}));

  using V = Verdict;
  // clang-format off
  const std::pair<V, int> codes[] = {{V::kUpToDate, 0}, {V::kNewFiles, 0}, {V::kUpdaterSelfUpdate, 0}, {V::kNoConnection, 2},
      {V::kNoIndex, 2}, {V::kBadIndex, 3}, {V::kClientTooOld, 5}, {V::kClientUnknown, 5}, {V::kNoUpdateFiles, 6},
      {V::kClientNewer, 1}, {V::kUpdaterTooOld, 1}, {V::kUpdaterMissing, 1}};
  // clang-format on
  for (const auto& [verdict, code] : codes) EXPECT_EQ(ExitCode(FinishAfterCheck(verdict)), code);
  EXPECT_EQ(ExitCode(Finish::kFileHeld), 4);
  EXPECT_EQ(ExitCode(Finish::kNeedsRights), 7);
}

}  // namespace
}  // namespace updater
