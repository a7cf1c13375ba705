#include "updater_flow.h"

#include <gtest/gtest.h>

#include "s_lang_ids.h"
#include "updater_command.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

TEST(Command, SwitchesInAnyCaseOnceEach) {
  struct Row {
    const char* tail;
    bool ok, silent = false, debug = false, apply = false, continued = false;
    const char* downloads = "";
  };
  // clang-format off
  const Row rows[] = {{"", true, false, false, false, false, ""}, {"/s -DEBUG", true, true, true, false, false, ""},
      {"/APPLY \"C:\\Users\\A B\\x\" /S", true, true, false, true, false, "C:\\Users\\A B\\x"},
      {"  /continue\t-debug ", true, false, true, false, true, ""}, {"/S /S", false, false, false, false, false, ""}, {"/apply", false, false, false, false, false, ""},
      {"/apply \"C:\\x", false, false, false, false, false, ""},
      {"/apply a /selfupdate b", false, false, false, false, false, ""}, {"/silent", false, false, false, false, false, ""}, {"-debugx", false, false, false, false, false, ""}};
  // clang-format on
  for (const Row& row : rows) {
    UpdaterCommand command;
    EXPECT_EQ(ParseUpdaterCommand(row.tail, command), row.ok) << row.tail;
    if (!row.ok) continue;
    EXPECT_EQ(command.silent, row.silent) << row.tail;
    EXPECT_EQ(command.debug, row.debug) << row.tail;
    EXPECT_EQ(command.apply, row.apply) << row.tail;
    EXPECT_EQ(command.continued, row.continued) << row.tail;
    EXPECT_EQ(command.downloads, row.downloads) << row.tail;
  }
  UpdaterCommand back;
  UpdaterCommand child;
  child.silent = child.debug = child.apply = true;
  child.downloads = "C:\\Users\\A B\\d";
  ASSERT_TRUE(ParseUpdaterCommand(ApplyCommandTail(child).c_str(), back));
  EXPECT_TRUE(back.apply && back.silent && back.debug && back.downloads == child.downloads);
  UpdaterCommand self;
  self.selfUpdate = true;
  self.downloads = "C:\\d";
  ASSERT_TRUE(ParseUpdaterCommand(ApplyCommandTail(self).c_str(), back));
  EXPECT_TRUE(back.selfUpdate && !back.apply && back.downloads == "C:\\d");
}

TEST(Flow, AddressesAndOwnVersion) {
  EXPECT_EQ(FeedBase("http://127.0.0.1:8080/feed"), "http://127.0.0.1:8080/feed/");
  EXPECT_EQ(FeedBase("http://h/feed/"), "http://h/feed/");
  EXPECT_EQ(FeedBase("http://h/feed/index.tdmfeed"), "http://h/feed/");
  EXPECT_EQ(IndexUrl("http://h/f/"), "http://h/f/index.tdmfeed");
  EXPECT_EQ(ContentUrl("http://h/", feed::Hash{0xAB}).substr(0, 20), "http://h/files/ab/ab");
  EXPECT_EQ(ServerName("http://127.0.0.1:8080/feed/"), "127.0.0.1:8080");
  EXPECT_EQ(ServerName("https://updates.example.com"), "updates.example.com");
  feed::Index index;
  index.updater = {feed::Hash{1}, 10};
  index.updaterVersion = {808, 0};
  // Its own content is the newest updater; any other counts as the installed release's.
  EXPECT_EQ(OwnUpdaterVersion(feed::Hash{1}, index, {807, 3}), (feed::Version{808, 0}));
  EXPECT_EQ(OwnUpdaterVersion(feed::Hash{2}, index, {807, 3}), (feed::Version{807, 3}));
  index.updater = {};
  EXPECT_EQ(OwnUpdaterVersion(feed::Hash{}, index, {807, 3}), (feed::Version{807, 3}));

  feed::Release release;
  EXPECT_EQ(ClientProgram(nullptr) + OptionsProgram(nullptr), "TDMClient.exeTDMOptions.exe");
  release.programFile = "Updater.EXE";  // the game's links start the updater: the client starts
  release.shortcuts = {{"bin/Settings.exe", kMsgLinkSetup}, {"x.exe", kMsgLinkGame}};
  EXPECT_EQ(ClientProgram(&release) + OptionsProgram(&release), "TDMClient.exebin\\Settings.exe");
  release.programFile = "bin/Game.exe";
  release.shortcuts = {{"../x.exe", kMsgLinkSetup}};
  EXPECT_EQ(ClientProgram(&release) + OptionsProgram(&release), "bin\\Game.exeTDMOptions.exe");
}

TEST(Flow, FetchAndApplyOutcomes) {
  using G = GetStatus;
  // clang-format off
  const std::tuple<G, bool, FetchResult, Finish> fetches[] = {
      {G::kOk, true, FetchResult::kAlreadyThere, Finish::kFailed}, {G::kOk, false, FetchResult::kReceived, Finish::kFailed},
      {G::kHashMismatch, false, FetchResult::kHashMismatch, Finish::kVerificationFailed},
      {G::kCancelled, false, FetchResult::kCancelled, Finish::kFailed}, {G::kNotFound, false, FetchResult::kFailed, Finish::kNoConnection},
      {G::kNoConnection, false, FetchResult::kFailed, Finish::kNoConnection}, {G::kTooLarge, false, FetchResult::kFailed, Finish::kVerificationFailed},
      {G::kWriteFailed, false, FetchResult::kFailed, Finish::kFailed}};
  using A = ApplyStatus;
  const std::vector<std::uint32_t> failed = {kMsgCopyException, kMsgInstallFailed, kMsgPleaseTryAgain};
  const std::tuple<A, std::vector<std::uint32_t>, bool, Finish> applies[] = {
      {A::kApplied, {kMsgUpdateFinished, kMsgUpdateFinishedStartGame}, true, Finish::kUpdated},
      {A::kAppliedNotRegistered, {kMsgCannotRegisterVersion, kMsgUpdateFinished, kMsgUpdateFinishedStartGame}, true, Finish::kUpdated},
      {A::kFileHeld, failed, false, Finish::kFileHeld}, {A::kBusy, {kMsgInstallFailed, kMsgPleaseTryAgain}, false, Finish::kFailed},
      {A::kRolledBack, failed, false, Finish::kFailed}, {A::kFailed, failed, false, Finish::kFailed}};
  // clang-format on
  for (const auto& [status, there, result, finish] : fetches) {
    EXPECT_EQ(FetchResultOf(status, there), result);
    if (status != G::kOk) {
      EXPECT_EQ(FinishAfterFailedFetch(status), finish);
    }
  }
  for (const auto& [status, messages, ask, finish] : applies) {
    const ApplyReport report = DescribeApply(status);
    EXPECT_EQ(report.messages, messages);
    EXPECT_EQ(report.askPatchNotes, ask);
    EXPECT_EQ(report.finish, finish);
  }
  EXPECT_EQ(DescribeElevatedApply(Finish::kUpdated).messages, std::get<1>(applies[0]));
  const ApplyReport held = DescribeElevatedApply(Finish::kFileHeld);
  EXPECT_EQ(held.messages, (std::vector<std::uint32_t>{kMsgInstallFailed, kMsgPleaseTryAgain}));
  EXPECT_EQ(held.finish, Finish::kFileHeld);
  EXPECT_EQ(DescribeElevatedApply(Finish::kNeedsRights).finish, Finish::kNeedsRights);
  // No prompt for a folder others may change: the player is told how to go on.
  EXPECT_EQ(DescribeElevatedApply(Finish::kFolderUnprotected).messages,
            std::vector<std::uint32_t>{kMsgFolderStartAsAdministrator});
}

TEST(Flow, ButtonsByPhase) {
  using P = Phase;
  // clang-format off
  const std::tuple<P, bool, Buttons> rows[] = {{P::kIdle, true, {true, true, true, true, false}},
      {P::kIdle, false, {true, true, false, true, false}},
      {P::kWorking, true, {false, false, false, true, true}}, {P::kCancelling, true, {false, false, false, false, true}},
      {P::kApplying, true, {false, false, false, false, false}}};
  // clang-format on
  for (const auto& [phase, settings, buttons] : rows)
    EXPECT_EQ(ButtonsFor(phase, settings), buttons);
}

}  // namespace
}  // namespace updater
