#include "check_outcome.h"

#include <gtest/gtest.h>

#include <functional>

#include "updater_msg_ids.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows name only what matters

namespace updater {
namespace {

using Files = std::vector<std::size_t>;
using Ids = std::vector<std::uint32_t>;
constexpr std::uint64_t kNow = 1'800'000'000;

feed::Hash HashOf(std::uint8_t seed) {
  feed::Hash hash{};
  hash.fill(seed);
  return hash;
}

feed::Release MakeRelease(std::uint32_t ls, std::uint8_t seed) {
  feed::Release release;
  release.version = {0, ls};
  release.updatesFrom = {0, 2};
  // a.exe changes with every release; b.dat and c.txt stay.
  release.files = {{"a.exe", 100u + ls, {HashOf(seed), 1000u + ls}},
                   {"data/b.dat", 200, {HashOf(50), 2000}},
                   {"c.txt", 300, {HashOf(60), 30}}};
  return release;
}

feed::Index MakeIndex() {
  feed::Index index;
  index.serial = 7;
  index.expiresAt = kNow + 3600;
  index.updaterVersion = {1, 0};
  index.releases = {MakeRelease(2, 2), MakeRelease(3, 3), MakeRelease(4, 4)};
  return index;
}

// The installed files as a release left them: each of the newest's files, as `ls` had it.
std::vector<LocalFile> InstalledAs(std::uint32_t ls) {
  const feed::Release release = MakeRelease(ls, static_cast<std::uint8_t>(ls));
  std::vector<LocalFile> local;
  for (const feed::ReleaseFile& file : release.files)
    local.push_back({true, file.content.size, file.fileTime, false, {}});
  return local;
}

TEST(Check, OutcomeTable) {
  using V = Verdict;
  using Edit = std::function<void(CheckInput&, feed::Index&)>;
  struct Row {
    const char* what;
    Edit edit;
    V verdict;
    Ids messages;
    Files fetch;
    std::uint64_t bytes;
  };
  const auto at = [](std::uint32_t ls) {
    return [ls](CheckInput& in, feed::Index&) {
      in.installed = {0, ls};
      in.local = InstalledAs(ls);
    };
  };
  const Row rows[] = {
      {"up to date", at(4), V::kUpToDate, {kMsgNoNewFiles, kMsgClientUpToDate}},
      {"one behind", at(3), V::kNewFiles, {kMsgNewFilesFound, kMsgOverallLength}, {0}, 1004},
      {"two behind: one set of files, to the newest",
       at(2),
       V::kNewFiles,
       {kMsgNewFilesFound, kMsgOverallLength},
       {0},
       1004},
      {"damaged file, same version",
       [&](CheckInput& in, feed::Index& i) { at(4)(in, i), in.local[2].size = 29; },
       V::kNewFiles,
       {kMsgNewFilesFound, kMsgOverallLength},
       {2},
       30},
      {"missing file, same version",
       [&](CheckInput& in, feed::Index& i) { at(4)(in, i), in.local[1].exists = false; },
       V::kNewFiles,
       {kMsgNewFilesFound, kMsgOverallLength},
       {1},
       2000},
      {"time differs, hash matches",
       [&](CheckInput& in, feed::Index& i) {
         at(4)(in, i), in.local[1].fileTime = 1, in.local[1].hashed = true;
         in.local[1].hash = HashOf(50);
       },
       V::kUpToDate,
       {kMsgNoNewFiles, kMsgClientUpToDate}},
      {"time differs, hash differs",
       [&](CheckInput& in, feed::Index& i) {
         at(4)(in, i), in.local[1].fileTime = 1, in.local[1].hashed = true;
       },
       V::kNewFiles,
       {kMsgNewFilesFound, kMsgOverallLength},
       {1},
       2000},
      {"behind, every file already there",
       [&](CheckInput& in, feed::Index& i) {
         at(4)(in, i), in.installed = {0, 3};
       },
       V::kNewFiles,
       {kMsgNewFilesFound, kMsgOverallLength}},
      {"newer than the feed", at(5), V::kClientNewer, {kMsgClientNewerThanFeed}},
      {"older than the feed updates", at(1), V::kClientTooOld, {kMsgClientTooOld}},
      {"a file the feed does not carry",
       [&](CheckInput& in, feed::Index& i) {
         at(3)(in, i), i.releases[2].files[0].content.hash = {};
       },
       V::kNoUpdateFiles,
       {kMsgNoUpdateFiles}},
      {"version unreadable",
       [](CheckInput& in, feed::Index&) { in.installedKnown = false; },
       V::kClientUnknown,
       {34}},
      {"no connection",
       [](CheckInput& in, feed::Index&) { in.fetch = IndexFetch::kNoConnection; },
       V::kNoConnection,
       {kMsgConnectionFailed}},
      {"no index",
       [](CheckInput& in, feed::Index&) { in.fetch = IndexFetch::kNotFound; },
       V::kNoIndex,
       {kMsgNoVersionIndex, kMsgVisitWebsites}},
      {"wrongly signed",
       [](CheckInput& in, feed::Index&) { in.problem = feed::ReadProblem::kBadSignature; },
       V::kBadIndex,
       {kMsgBadVersionIndex}},
      {"replayed older index",
       [](CheckInput& in, feed::Index&) { in.highestSerialSeen = 8; },
       V::kBadIndex,
       {kMsgBadVersionIndex}},
      {"expired",
       [](CheckInput&, feed::Index& i) { i.expiresAt = kNow; },
       V::kBadIndex,
       {kMsgBadVersionIndex}},
      {"no releases",
       [](CheckInput&, feed::Index& i) { i.releases.clear(); },
       V::kBadIndex,
       {kMsgBadVersionIndex}},
      {"feed needs a newer reader",
       [](CheckInput& in, feed::Index&) { in.problem = feed::ReadProblem::kNewerFeed; },
       V::kUpdaterTooOld,
       {kMsgUpdaterTooOld}},
      {"newer updater carried",
       [](CheckInput&, feed::Index& i) {
         i.updaterVersion = {1, 1}, i.updater = {HashOf(9), 5};
       },
       V::kUpdaterSelfUpdate,
       {kMsgDownloadingUpdater}},
      {"newer updater named, not carried",
       [](CheckInput&, feed::Index& i) {
         i.updaterVersion = {1, 1};
       },
       V::kUpdaterMissing,
       {kMsgWrongUpdaterVersion, kMsgDownloadActualUpdater}},
  };
  for (const Row& row : rows) {
    feed::Index index = MakeIndex();
    CheckInput input;
    input.index = &index;
    input.highestSerialSeen = 5;
    input.nowUnixSeconds = kNow;
    input.installedKnown = true;
    input.updaterOwn = {1, 0};
    at(4)(input, index);
    row.edit(input, index);
    const CheckOutcome outcome = DecideCheck(input);
    EXPECT_EQ(outcome.verdict, row.verdict) << row.what;
    EXPECT_EQ(outcome.messages, row.messages) << row.what;
    EXPECT_EQ(outcome.fetch, row.fetch) << row.what;
    EXPECT_EQ(outcome.fetchBytes, row.bytes) << row.what;
    if (outcome.target) {
      EXPECT_EQ(outcome.target->version, (feed::Version{0, 4})) << row.what;
      EXPECT_EQ(outcome.serialToKeep, 7u) << row.what;
    }
  }
}

TEST(Check, OnlyFilesOfTheSameSizeAndAnotherTimeAreHashed) {
  const feed::Release newest = MakeRelease(4, 4);
  std::vector<LocalFile> local = InstalledAs(4);
  local[0].fileTime = 1;  // hashed
  local[1].size = 1;      // changed without hashing
  local[2].exists = false;
  EXPECT_EQ(FilesToHash(newest, local), Files{0});
}

TEST(Check, ObsoleteFiles) {
  const feed::Release newest = MakeRelease(4, 4);
  EXPECT_EQ(
      ObsoleteFiles({"A.EXE", "data\\B.dat", "intro.avi", "INTRO.AVI", "\xC4rger.txt", "c.txt"},
                    newest),
      (std::vector<std::string>{"intro.avi", "\xC4rger.txt"}));
}

}  // namespace
}  // namespace updater
