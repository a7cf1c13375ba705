// Starts refused before the wizard is usable: a spoiled archive, an earlier installation
// that does not fit. One box each, exit code 0, and with -debug the log still closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "archive_checksum.h"
#include "corrupted_text.h"
#include "journey.h"
#include "s_lang_ids.h"

namespace e2e {
namespace {

using archive::SetupKind;
using test_support::AllPresent;
using test_support::TestRelease;
using test_support::WriteSegments;

struct Refusal {
  std::string caption, text;
  DWORD exitCode;
  std::vector<std::string> log;
};

Refusal Refuse(SetupRun& run, const std::string& arguments = "-debug") {
  run.StartOnly(arguments);
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  Refusal seen{box.Caption(), box.Text(), 0, {}};
  seen.exitCode = run.DismissRefusal(box);
  seen.log = run.LogTexts();
  EXPECT_EQ(seen.exitCode, 0u);
  return seen;
}

// One changed body byte: the sums, computed and stored, follow the text.
TEST(StartRefusal, CorruptedByteShowsBothSums) {
  std::vector<test_support::SegmentFile> segments = WriteSegments(TestRelease());
  std::uint64_t stored = 0;  // a sound archive's stored sums are its byte sums
  const test_support::SegmentSet sound = AllPresent(segments);
  for (const archive::SegmentView& view : test_support::ViewsOf(sound))
    stored += view.present() ? archive::ByteSum(view.body, view.length) : 0;
  const std::size_t at = archive::SetupHeader::kTitleOffset;
  test_support::SetBodyByte(segments[0], at,
                            static_cast<std::uint8_t>(test_support::BodyByte(segments[0], at) + 1));
  const std::uint64_t computed = stored + 1;
  SetupRun run(AllPresent(segments));
  // The switch in capitals still writes the log.
  const Refusal seen = Refuse(run, "-DEBUG");
  EXPECT_EQ(seen.caption, Text(kMsgError));
  EXPECT_EQ(seen.text, Text(kMsgSetupFileCorrupted) + std::to_string(computed) + "<->" +
                           std::to_string(stored) + ")");
  ASSERT_FALSE(seen.log.empty());
  EXPECT_NE(
      std::find(seen.log.begin(), seen.log.end(), "starting setup, version 1490, params: -DEBUG"),
      seen.log.end());
  EXPECT_EQ(seen.log.back(), "closing setup");
}

// Windows' own error number is the caption of a missing resource.
TEST(StartRefusal, MissingSegmentNamesTheResourceError) {
  const std::vector<test_support::SegmentFile> segments =
      WriteSegments(TestRelease(SetupKind::Full));
  SetupRun run(SegmentSet{segments[0], segments[1], std::nullopt});
  const Refusal seen = Refuse(run, "-debug ");  // a blank after the switch: no log
  EXPECT_EQ(seen.caption, "1814");
  EXPECT_EQ(seen.text, setup::CorruptedText(Text(kMsgSetupFileCorrupted)));
  EXPECT_TRUE(seen.log.empty());
}

// Right sums, wrong structure: a byte left over behind the last record.
TEST(StartRefusal, StructuralFaultIsRefusedBeforeTheWizard) {
  std::vector<test_support::SegmentFile> segments = WriteSegments(TestRelease());
  segments[0].push_back(0);
  test_support::FixChecksum(segments[0]);
  SetupRun run(AllPresent(segments));
  const Refusal seen = Refuse(run);
  EXPECT_EQ(seen.text, setup::CorruptedText(Text(kMsgSetupFileCorrupted)));
  EXPECT_EQ(seen.log.back(), "closing setup");
}

// The refusal speaks the earlier installation's language, whatever the user's.
TEST(EarlierInstallation, FullOverOneIsRefusedInItsLanguage) {
  const CleanRegistry clean;
  const std::uint32_t other = 1 - UserLanguage();
  driver::ScratchDirectory installed("tdm-e2e-earlier");
  RegisterEarlier(installed.Path(), other, {});
  SetupRun run(AllPresent(WriteSegments(TestRelease(SetupKind::Full))));
  const Refusal seen = Refuse(run);
  EXPECT_EQ(seen.caption, Text(kMsgError, other));
  EXPECT_EQ(seen.text, Text(kMsgUninstallPreviousFirst, other));
}

TEST(EarlierInstallation, UpdateWithoutOneIsRefused) {
  const CleanRegistry clean;
  SetupRun run(AllPresent(WriteSegments(TestRelease(SetupKind::Update))));
  const Refusal seen = Refuse(run);
  EXPECT_EQ(seen.text, Text(kMsgRegistryReadFailed));
  EXPECT_EQ(seen.log.back(), "closing setup");
}

TEST(EarlierInstallation, UpdateOverAnotherClientVersionIsRefused) {
  const CleanRegistry clean;
  driver::ScratchDirectory installed("tdm-e2e-earlier");
  RegisterEarlier(installed.Path(), 1, driver::WinePath(TDM_DEMO_CLIENT));  // client 0.807.3
  archive::ArchiveDescription release = TestRelease(SetupKind::Update);
  release.requiredVersionLS = 2;
  SetupRun run(AllPresent(WriteSegments(release)));
  const Refusal seen = Refuse(run);
  char expected[256];
  std::snprintf(expected, sizeof expected, Text(kMsgUpdateNeedsClientVersion, 1).c_str(), 0.807,
                2u);
  EXPECT_EQ(seen.text, expected);
  EXPECT_EQ(seen.caption, Text(kMsgWrongClientVersion, 1));
}

}  // namespace
}  // namespace e2e
