#include "check_outcome.h"

#include <gtest/gtest.h>

#include "s_lang_ids.h"
#include "updater_msg_ids.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows name only what matters

namespace updater {
namespace {

using Ids = std::vector<std::uint32_t>;
using Files = std::vector<std::size_t>;
constexpr std::uint64_t kNow = 1'800'000'000;
const Ids kNew = {kMsgNewFilesFound, kMsgOverallLength}, kBad = {kMsgBadVersionIndex};

// a.exe changes with every release; data/b.dat and c.txt stay. Each updates from 0.2.
feed::Release MakeRelease(std::uint32_t ls) {
  feed::Release release{{0, ls}, {0, 2}};
  release.files = {{"a.exe", 100u + ls, {feed::Hash{static_cast<std::uint8_t>(ls)}, 1000u + ls}},
                   {"data/b.dat", 200, {feed::Hash{50}, 2000}},
                   {"c.txt", 300, {feed::Hash{60}, 30}}};
  return release;
}

using V = Verdict;
using In = CheckInput;
using Ix = feed::Index;
// What, installed version 0.N, a change to the input or the index, the outcome.
using Row = std::tuple<const char*, unsigned, void (*)(In&, Ix&), V, Ids, Files, std::uint64_t>;

TEST(Check, OutcomeTable) {
  const Row rows[] = {
      // clang-format off
      {"up to date", 4, [](In&, Ix&) {}, V::kUpToDate, {kMsgNoNewFiles, kMsgClientUpToDate}, {}, 0},
      {"one behind", 3, [](In&, Ix&) {}, V::kNewFiles, kNew, {0}, 1004},
      {"two behind: one set of files, to the newest", 2, [](In&, Ix&) {}, V::kNewFiles, kNew, {0}, 1004},
      {"damaged file, same version", 4, [](In& in, Ix&) { in.local[2].size = 29; }, V::kNewFiles, kNew, {2}, 30},
      {"time differs, hash matches", 4, [](In& in, Ix&) { in.local[1] = {true, 2000, 1, true, feed::Hash{50}}; }, V::kUpToDate, {kMsgNoNewFiles, kMsgClientUpToDate}, {}, 0},
      {"time differs, hash differs", 4, [](In& in, Ix&) { in.local[1] = {true, 2000, 1, true, feed::Hash{51}}; }, V::kNewFiles, kNew, {1}, 2000},
      {"behind, every file in place", 4, [](In& in, Ix&) { in.installed = {0, 3}; }, V::kNewFiles, kNew, {}, 0},
      {"newer than the feed", 5, [](In&, Ix&) {}, V::kClientNewer, {kMsgClientNewerThanFeed}, {}, 0},
      {"older than the feed updates", 1, [](In&, Ix&) {}, V::kClientTooOld, {kMsgClientTooOld}, {}, 0},
      {"a file the feed does not carry", 3, [](In&, Ix& i) { i.releases[2].files[0].content.hash = {}; }, V::kNoUpdateFiles, {kMsgNoUpdateFiles}, {}, 0},
      {"version unreadable", 4, [](In& in, Ix&) { in.installedKnown = false; }, V::kClientUnknown, {kMsgClientVersionUnknown}, {}, 0},
      {"no connection", 4, [](In& in, Ix&) { in.fetch = IndexFetch::kNoConnection; }, V::kNoConnection, {kMsgConnectionFailed}, {}, 0},
      {"no index", 4, [](In& in, Ix&) { in.fetch = IndexFetch::kNotFound; }, V::kNoIndex, {kMsgNoVersionIndex, kMsgVisitWebsites}, {}, 0},
      {"wrongly signed", 4, [](In& in, Ix&) { in.problem = feed::ReadProblem::kBadSignature; }, V::kBadIndex, kBad, {}, 0},
      {"replayed older index", 4, [](In& in, Ix&) { in.highestSerialSeen = 8; }, V::kBadIndex, kBad, {}, 0},
      {"expired", 4, [](In&, Ix& i) { i.expiresAt = kNow; }, V::kBadIndex, kBad, {}, 0},
      {"no releases", 4, [](In&, Ix& i) { i.releases.clear(); }, V::kBadIndex, kBad, {}, 0},
      {"feed needs a newer reader", 4, [](In& in, Ix&) { in.problem = feed::ReadProblem::kNewerFeed; }, V::kUpdaterTooOld, {kMsgUpdaterTooOld}, {}, 0},
      {"newer updater carried", 4, [](In&, Ix& i) { i.updaterVersion = {1, 1}, i.updater = {feed::Hash{9}, 5}; }, V::kUpdaterSelfUpdate, {kMsgDownloadingUpdater}, {}, 0},
      {"newer updater not carried", 4, [](In&, Ix& i) { i.updaterVersion = {1, 1}; }, V::kUpdaterMissing, {kMsgWrongUpdaterVersion, kMsgDownloadActualUpdater}, {}, 0},
      // clang-format on
  };
  for (const auto& [what, installed, change, verdict, messages, fetch, bytes] : rows) {
    feed::Index index{.serial = 7, .expiresAt = kNow + 3600, .updaterVersion = {1, 0}};
    index.releases = {MakeRelease(2), MakeRelease(3), MakeRelease(4)};
    CheckInput input{.index = &index, .highestSerialSeen = 5, .nowUnixSeconds = kNow};
    input.installedKnown = true, input.installed = {0, installed}, input.updaterOwn = {1, 0};
    for (const feed::ReleaseFile& file : MakeRelease(installed).files)  // as it left them
      input.local.push_back({true, file.content.size, file.fileTime});
    change(input, index);
    const CheckOutcome outcome = DecideCheck(input);
    EXPECT_EQ(std::tie(outcome.verdict, outcome.messages, outcome.fetch, outcome.fetchBytes),
              std::tie(verdict, messages, fetch, bytes))
        << what;
    // Once the index holds, the newest release is the target and its serial is kept.
    EXPECT_EQ(outcome.target ? outcome.target->version.ls * 10 + outcome.serialToKeep : 47, 47u);
  }
}

// A validly signed index is still refused, before anything is fetched, for a name that
// no installation may hold; the log names it.
TEST(Check, NamesNoInstallationMayHoldAreRefusedAtTheCheck) {
  const struct {
    void (*change)(feed::Release&);
    const char* refused;  // empty: the index passes
  } rows[] = {
      {[](feed::Release&) {}, ""},
      {[](feed::Release& r) { r.files[2].name = "../outside.txt"; }, "../outside.txt"},
      {[](feed::Release& r) { r.files[2].name = "C:/Windows/evil.txt"; }, "C:/Windows/evil.txt"},
      {[](feed::Release& r) { r.files[2].name = "sub/nul.txt"; }, "sub/nul.txt"},
      {[](feed::Release& r) { r.files[2].name = "data/a.\\x"; }, "data/a.\\x"},
      {[](feed::Release& r) { r.files[2].name = "A.EXE"; }, "A.EXE"},
      {[](feed::Release& r) { r.files[2].name = "DATA/B.dat"; }, "DATA/B.dat"},
      {[](feed::Release& r) {
         r.files[1].name = "data/\x8A.dat", r.files[2].name = "data/\x9A.dat";
       },
       "data/\x9A.dat"},
      {[](feed::Release& r) {
         r.directories = {"data", "con"};
       },
       "con"},
      {[](feed::Release& r) {
         r.directories = {"data", "Data"};
       },
       "Data"},
      {[](feed::Release& r) {
         r.shortcuts = {{"../x.exe", 23}};
       },
       "../x.exe"},
      {[](feed::Release& r) { r.programFile = "PRN"; }, "PRN"},
  };
  for (const auto& row : rows) {
    feed::Index index{.serial = 7, .expiresAt = kNow + 3600, .updaterVersion = {1, 0}};
    index.releases = {MakeRelease(4)};
    index.releases[0].directories = {"data"};
    row.change(index.releases[0]);
    CheckInput input{.index = &index, .highestSerialSeen = 5, .nowUnixSeconds = kNow};
    input.installedKnown = true, input.installed = {0, 3}, input.updaterOwn = {1, 0};
    input.local.resize(3);
    const CheckOutcome outcome = DecideCheck(input);
    EXPECT_EQ(outcome.refusedName, row.refused);
    EXPECT_EQ(outcome.verdict == Verdict::kBadIndex, *row.refused != '\0') << row.refused;
  }
}

TEST(Check, HashedFilesAndObsoleteFiles) {
  // Same size, another time: hashed; a changed size or a missing file is fetched unhashed.
  EXPECT_EQ(FilesToHash(MakeRelease(4), {{true, 1004, 1}, {true, 1, 200}, {}}), Files{0});
  EXPECT_EQ(ObsoleteFiles({"A.EXE", "data\\B.dat", "intro.avi", "INTRO.AVI", "\xC4r.txt", "c.txt",
                           "Uninstall\\0.3.LST", "uninstall\\x\\0.3.lst"},
                          MakeRelease(4)),
            (std::vector<std::string>{"intro.avi", "\xC4r.txt", "uninstall\\x\\0.3.lst"}));
}

}  // namespace
}  // namespace updater
