#include "updater_steps.h"

#include <gtest/gtest.h>

#include "s_lang.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

TEST(Steps, InstallNamesFetchStepsAndExitCodes) {
  std::string name;
  EXPECT_TRUE(InstallName("data/maps/a.map", name) && name == "data\\maps\\a.map");
  for (const char* bad : {"../x", "/x", "a//b", "C:x", ""}) EXPECT_FALSE(InstallName(bad, name));
  EXPECT_EQ(DownloadName(feed::Hash{0xAB, 1}).substr(0, 22), "update.download\\ab0100");
  EXPECT_EQ(VersionText({807, 3}), "0.807.3");
  EXPECT_EQ(VersionText({4294967295u, 0}), "0.4294967295.0");
  feed::Release target;
  target.files = {{"a", 0, {{}, 100}}, {"b", 0, {{}, 50}}, {"c", 0, {{}, 7}}};
  // a: 30 of 100 there; c: longer than it can be, fetched again; b not fetched.
  EXPECT_EQ(BytesStillNeeded(target, {0, 2}, {30, 9}), kSpaceMargin + 70 + 7);

  using R = FetchResult;
  using N = AfterFetch;
  const std::vector<std::uint32_t> failed = {kMsgDownloadFailed, kMsgPleaseTryAgain};
  // clang-format off
  const std::tuple<R, int, FetchStep> fetches[] = {{R::kAlreadyThere, 1, {N::kNextFile, {kMsgFileAlreadyThere}}},
      {R::kReceived, 2, {N::kNextFile, {kMsgFileReceived}}}, {R::kHashMismatch, 1, {N::kFetchAgain, {kMsgFileCorruptedRetry}}},
      {R::kHashMismatch, 2, {N::kGiveUp, failed}}, {R::kFailed, 1, {N::kGiveUp, failed}}, {R::kCancelled, 1, {N::kStop, {kMsgCancelled}}}};
  using V = Verdict;
  const std::pair<V, int> codes[] = {{V::kUpToDate, 0}, {V::kNewFiles, 0}, {V::kUpdaterSelfUpdate, 0}, {V::kNoConnection, 2},
      {V::kNoIndex, 2}, {V::kBadIndex, 3}, {V::kClientTooOld, 5}, {V::kClientUnknown, 5}, {V::kNoUpdateFiles, 6},
      {V::kClientNewer, 1}, {V::kUpdaterTooOld, 1}, {V::kUpdaterMissing, 1}};
  // clang-format on
  for (const auto& [result, attempt, step] : fetches)
    EXPECT_EQ(DecideAfterFetch(result, attempt), step);
  for (const auto& [verdict, code] : codes) EXPECT_EQ(ExitCode(FinishAfterCheck(verdict)), code);
  EXPECT_EQ(ExitCode(Finish::kFileHeld), 4);
  EXPECT_EQ(ExitCode(Finish::kNeedsRights), 7);
  EXPECT_EQ(ExitCode(Finish::kFolderUnprotected), 8);

  // The server list: (installed is the indexed one, fetched, all-users unelevated,
  // an apply follows).
  using S = ServerListStep;
  const std::tuple<bool, bool, bool, bool, S> lists[] = {
      {true, false, true, true, S::kInPlace},
      {false, false, false, false, S::kMissing},
      {false, false, true, true, S::kMissing},
      {false, true, false, false, S::kPlace},
      {false, true, true, true, S::kForElevatedApply},
      {false, true, true, false, S::kUntilNextApply}};
  for (const auto& [inPlace, fetched, elevatedApply, applyFollows, step] : lists)
    EXPECT_EQ(DecideServerList(inPlace, fetched, elevatedApply, applyFollows), step);
}

// The notes of the installation's language only, under the catalogue's name for them,
// which the uninstaller knows without the catalogue.
TEST(Steps, PatchNotesOfTheInstallationsLanguage) {
  feed::Release release;
  release.patchNotes[0] = {feed::Hash{7}, 99};
  EXPECT_EQ(PatchNotesFor(release, 0), &release.patchNotes[0]);
  EXPECT_EQ(PatchNotesFor(release, 1), nullptr) << "no English notes: no question";
  EXPECT_EQ(PatchNotesFor(release, 2), nullptr);
  EXPECT_EQ(PatchNotesFor(feed::Release{}, 0), nullptr);
  for (const std::uint32_t language : {kLanguageGerman, kLanguageEnglish}) {
    CLang::SetLanguage(language);
    EXPECT_STREQ(CLang::GetText(kMsgPatchNotesFile), kPatchNotesNames[language]);
  }
}

}  // namespace
}  // namespace updater
