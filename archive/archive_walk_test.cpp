#include "archive_walk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "archive_check.h"
#include "archive_writer.h"

namespace archive {
namespace {

// A small archive from the writer whose body the tests then damage.
struct Archive {
  std::array<std::vector<std::uint8_t>, kMaxSegments> bodies;  // without the checksums
  int segments = 0;

  SegmentViews views() const {
    SegmentViews views{};
    for (int n = 0; n < segments; ++n)
      views[n] = {bodies[n].data(), static_cast<std::uint32_t>(bodies[n].size())};
    return views;
  }
  void PutU32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bodies[0][offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
};

const std::uint8_t kData[] = {1, 2, 3};

ArchiveDescription Describe(SetupKind kind) {
  ArchiveDescription d;
  d.kind = kind;
  d.title = "Tidemoor";
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.termsLines[1] = {"Terms"};  // the German block stays empty
  d.directories = {"data"};
  d.readmes = {WriterReadme{"Liesmich.txt", "Liesmich.lnk"},
               WriterReadme{"Readme.txt", "Readme.lnk"}};
  d.files = {WriterFile{"data/a.bin", 1, sizeof kData, kData, {}}};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"TDMClient.exe", 25}};
  return d;
}

Archive Build(const ArchiveDescription& d) {
  ArchivePlan plan;
  std::string error;
  Archive archive;
  if (!PlanArchive(d, plan, error)) ADD_FAILURE() << error;
  std::array<MemorySink, kMaxSegments> sinks;
  std::array<SegmentSink*, kMaxSegments> sinkPointers{&sinks[0], &sinks[1], &sinks[2]};
  const WriteResult result = WriteArchive(d, plan, sinkPointers);
  if (!result.ok) ADD_FAILURE() << result.error;
  archive.segments = plan.segmentCount;
  for (int n = 0; n < plan.segmentCount; ++n)
    archive.bodies[n].assign(sinks[n].bytes().begin() + kSegmentChecksumSize,
                             sinks[n].bytes().end());
  return archive;
}

constexpr std::size_t kDirectoryCount = 788 + 4 + 4 + 256;  // behind the two terms blocks

std::string Problem(const Archive& archive) {
  const WalkResult result = CheckArchive(archive.views());
  EXPECT_FALSE(result.ok);
  return result.problem;
}

struct TermsCounter final : ArchiveVisitor {
  std::vector<std::uint32_t> counts;
  std::vector<std::string> lines;
  void OnTermsBlock(std::uint32_t, std::uint32_t count) override { counts.push_back(count); }
  void OnTermsLine(std::uint32_t, const char* line) override { lines.push_back(line); }
};

TEST(ArchiveWalk, TermsBlockOfCountZeroHoldsOnlyItsCount) {
  const Archive archive = Build(Describe(SetupKind::Full));
  TermsCounter counter;
  const WalkResult result = WalkArchive(archive.views(), counter);
  ASSERT_TRUE(result.ok) << result.problem;
  EXPECT_EQ(counter.counts, (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(counter.lines, std::vector<std::string>{"Terms"});
  // German count 0 at 788, the English count right behind it.
  EXPECT_EQ(archive.bodies[0][788], 0);
  EXPECT_EQ(archive.bodies[0][792], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&archive.bodies[0][796])), "Terms");
}

TEST(ArchiveWalk, WellFormedArchivePassesTheCheck) {
  const WalkResult result = CheckArchive(Build(Describe(SetupKind::Update)).views());
  EXPECT_TRUE(result.ok) << result.problem;
}

TEST(ArchiveCheck, RefusesCountPastTheBody) {
  Archive archive = Build(Describe(SetupKind::Full));
  archive.PutU32(kDirectoryCount, 0x00FFFFFF);
  EXPECT_NE(Problem(archive).find("runs past the body"), std::string::npos);
}

TEST(ArchiveCheck, RefusesText256WithoutNul) {
  Archive archive = Build(Describe(SetupKind::Full));
  std::memset(&archive.bodies[0][kDirectoryCount + 4], 'd', kText256Size);
  EXPECT_NE(Problem(archive).find("no terminating NUL"), std::string::npos);
}

TEST(ArchiveCheck, RefusesSwitchToAnAbsentSegment) {
  // An Update whose only file crosses the limit puts its tail into segment 2.
  static const std::vector<std::uint8_t> big(SEGMENT_DATA_LIMIT + 1, 0);
  ArchiveDescription d = Describe(SetupKind::Update);
  d.files = {WriterFile{"big.bin", 0, big.size(), big, {}}};
  Archive archive = Build(d);
  ASSERT_EQ(archive.segments, 2);
  EXPECT_TRUE(CheckArchive(archive.views()).ok);
  archive.segments = 1;
  EXPECT_NE(Problem(archive).find("segment 2, which is absent"), std::string::npos);
}

TEST(ArchiveCheck, RefusesBytesLeftOver) {
  Archive archive = Build(Describe(SetupKind::Full));
  archive.bodies[0].push_back(0);
  EXPECT_NE(Problem(archive).find("1 bytes are left over"), std::string::npos);
  archive = Build(Describe(SetupKind::Full));
  archive.bodies[2].push_back(0);  // a later segment the stream never reaches
  EXPECT_NE(Problem(archive).find("segment 3 holds bytes"), std::string::npos);
}

TEST(ArchiveCheck, RefusesBytesMissing) {
  Archive archive = Build(Describe(SetupKind::Full));
  archive.bodies[0].pop_back();
  EXPECT_NE(Problem(archive).find("shortcut record runs past"), std::string::npos);
}

std::string ProblemWithFileName(const std::string& name) {
  ArchiveDescription d = Describe(SetupKind::Update);
  d.files[0].name = name;
  return Problem(Build(d));
}

TEST(ArchiveCheck, RefusesNamesLeadingOutOfTheInstallationDirectory) {
  EXPECT_NE(ProblemWithFileName("C:\\Windows\\evil.dll").find("drive letter"), std::string::npos);
  EXPECT_NE(ProblemWithFileName("C:evil.dll").find("drive letter"), std::string::npos);
  EXPECT_NE(ProblemWithFileName("/etc/evil").find("starts with a separator"), std::string::npos);
  EXPECT_NE(ProblemWithFileName("\\evil.dll").find("starts with a separator"), std::string::npos);
  EXPECT_NE(ProblemWithFileName("data/../../evil.dll").find("\"..\""), std::string::npos);
  EXPECT_NE(ProblemWithFileName("data\\..").find("\"..\""), std::string::npos);
  ArchiveDescription d = Describe(SetupKind::Update);
  d.obsoleteFiles = {"../outside.dll"};
  EXPECT_NE(Problem(Build(d)).find("obsolete file name"), std::string::npos);
  d = Describe(SetupKind::Full);
  d.shortcuts[0].targetFile = "\\\\server\\share\\x.exe";
  EXPECT_NE(Problem(Build(d)).find("shortcut target"), std::string::npos);
}

TEST(ArchiveCheck, RefusesLinkNameWithASeparator) {
  ArchiveDescription d = Describe(SetupKind::Full);
  d.desktopLinkName = "sub\\Tidemoor.lnk";
  EXPECT_NE(Problem(Build(d)).find("desktop link name"), std::string::npos);
  d = Describe(SetupKind::Full);
  d.readmes[1].readmeLinkName = "../Readme.lnk";
  EXPECT_NE(Problem(Build(d)).find("holds a separator"), std::string::npos);
}

}  // namespace
}  // namespace archive
