// Setup.exe started on archives a builder wrote, and on archives spoiled on purpose:
// what the user sees before the wizard, or instead of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "archive_check.h"
#include "setup_run.h"

namespace e2e {
namespace {

using archive::SetupKind;

std::vector<SegmentFile> Segments(SetupKind kind) {
  return WriteSegments(SmallArchive(kind));
}

std::uint64_t StoredTotal(const SegmentSet& segments) {
  std::uint64_t total = 0;
  for (const auto& segment : segments)
    if (segment) total += StoredChecksum(*segment);
  return total;
}

std::uint64_t ComputedTotal(const SegmentSet& segments) {
  std::uint64_t total = 0;
  for (const auto& segment : segments)
    if (segment) total += BodySum(*segment);
  return total;
}

void ExpectLogClosed(const SetupUnderTest& setup) {
  const std::vector<std::string> texts = setup.LogTexts();
  ASSERT_FALSE(texts.empty()) << "no setup.log beside " << setup.Exe();
  EXPECT_EQ(texts.back(), "closing setup");
}

// The box of a refusal, its dismissal, the exit code and the log's last line.
void ExpectRefusal(SetupUnderTest& setup, const std::string& caption, const std::string& text) {
  setup.Start();
  const driver::MessageBoxWindow box = setup.WaitForMessageBox();
  EXPECT_EQ(box.Caption(), caption);
  EXPECT_EQ(box.Text(), text);
  EXPECT_FALSE(box.Owner().Exists());
  EXPECT_EQ(setup.DismissRefusal(box), 0u);
  ExpectLogClosed(setup);
}

void ExpectWizard(SetupUnderTest& setup, const std::string& title) {
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_EQ(wizard.Text(), "Installation:");
  EXPECT_EQ(wizard.Child("Label1").Text(), title);
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  EXPECT_EQ(setup.CancelWizard(), 0u);
  ExpectLogClosed(setup);
}

TEST(ArchiveStart, UpdateOfSegmentOneAloneStarts) {
  const EarlierInstallation installed(1);
  const std::vector<SegmentFile> segments = Segments(SetupKind::Update);
  ASSERT_EQ(segments.size(), 1u);
  SetupUnderTest setup(AllPresent(segments));
  ExpectWizard(setup, kUpdateTitle);
  const std::vector<std::string> texts = setup.LogTexts();
  for (const char* step : {"loading resource 1", "loading resource 2", "loading resource 3",
                           "calculating data checksum"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), step), texts.end()) << step;
}

TEST(ArchiveStart, SegmentsOfEightBytesAreAccepted) {
  const std::vector<SegmentFile> segments = Segments(SetupKind::Full);
  ASSERT_EQ(segments.size(), 3u);
  ASSERT_EQ(segments[1].size(), 8u);
  ASSERT_EQ(segments[2].size(), 8u);
  SetupUnderTest setup(AllPresent(segments));
  ExpectWizard(setup, kFullTitle);
}

TEST(ArchiveStart, ChecksumMovedBetweenSegmentsStillPasses) {
  std::vector<SegmentFile> segments = Segments(SetupKind::Full);
  const std::uint64_t first = StoredChecksum(segments[0]);
  ASSERT_GT(first, 1000u);
  SetStoredChecksum(segments[0], first - 1000);
  SetStoredChecksum(segments[1], 600);
  SetStoredChecksum(segments[2], 400);
  SetupUnderTest setup(AllPresent(segments));
  ExpectWizard(setup, kFullTitle);
}

// Windows' error for a resource name that is not there.
constexpr char kResourceNameNotFound[] = "1814";

TEST(ArchiveRefusal, FullKindWithSegmentOneAloneShowsTheResourceError) {
  std::vector<SegmentFile> segments = Segments(SetupKind::Update);
  SetBodyU32(segments[0], archive::SetupHeader::kKindOffset,
             static_cast<std::uint32_t>(SetupKind::Full));
  RecomputeChecksum(segments[0]);
  SetupUnderTest setup(AllPresent(segments));
  ExpectRefusal(setup, kResourceNameNotFound, kTextCorrupted.In(UserIsGerman()));
  const std::vector<std::string> texts = setup.LogTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "loading resource 2"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "calculating data checksum"), texts.end());
}

TEST(ArchiveRefusal, FullWithoutSegmentThreeShowsTheResourceError) {
  const std::vector<SegmentFile> segments = Segments(SetupKind::Full);
  SetupUnderTest setup(SegmentSet{segments[0], segments[1], std::nullopt});
  ExpectRefusal(setup, kResourceNameNotFound, kTextCorrupted.In(UserIsGerman()));
}

// One changed body byte in segment n (1..3): the corrupted text with the computed
// and the stored sum. Segments 2 and 3 get bodies of their own here; the checksum is
// compared before anything looks at what the bodies hold.
class ChangedByte : public ::testing::TestWithParam<int> {};

TEST_P(ChangedByte, ShowsBothSumsInTheUsersLanguage) {
  std::vector<SegmentFile> segments = Segments(SetupKind::Full);
  segments[1] = SegmentWithBody(std::vector<std::uint8_t>(50, 0x41));
  segments[2] = SegmentWithBody(std::vector<std::uint8_t>(30, 0x7A));
  SegmentFile& spoiled = segments[static_cast<std::size_t>(GetParam() - 1)];
  // A title letter in segment 1, somewhere in the middle of the others.
  const std::size_t at = GetParam() == 1 ? archive::SetupHeader::kTitleOffset : 17;
  const std::uint8_t was = BodyByte(spoiled, at);
  SetBodyByte(spoiled, at, static_cast<std::uint8_t>(was + 1));

  const SegmentSet set = AllPresent(segments);
  const std::uint64_t stored = StoredTotal(set);
  const std::uint64_t computed = ComputedTotal(set);
  ASSERT_EQ(computed, stored + 1);
  const bool german = UserIsGerman();
  SetupUnderTest setup(set);
  ExpectRefusal(setup, kTextError.In(german),
                std::string(kTextCorrupted.In(german)) + std::to_string(computed) + "<->" +
                    std::to_string(stored) + ")");
}

INSTANTIATE_TEST_SUITE_P(EachSegment, ChangedByte, ::testing::Values(1, 2, 3));

// The two sums of a known archive, spelled out: a segment 1 body of 800 bytes 0x01
// (kind 1) with stored 800, and 8-byte segments 2 and 3; one byte raised by 2.
TEST(ArchiveRefusal, ChecksumTextCarriesTheExactNumbers) {
  std::vector<std::uint8_t> body(800, 0x01);
  SegmentFile first = SegmentWithBody(body);
  ASSERT_EQ(StoredChecksum(first), 800u);
  SetBodyByte(first, 799, 3);
  const SegmentFile empty = SegmentWithBody({});
  SetupUnderTest setup(SegmentSet{first, empty, empty});
  const bool german = UserIsGerman();
  ExpectRefusal(setup, kTextError.In(german),
                std::string(kTextCorrupted.In(german)) + "802<->800)");
}

}  // namespace
}  // namespace e2e
