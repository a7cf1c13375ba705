// Starts refused before the wizard is usable: a spoiled archive, an earlier installation
// that does not fit. One box each, exit code 0, and with -debug the log still closes.
// Which earlier installation is refused with which text: earlier_installation_test.
#include <algorithm>
#include <cstdio>

#include "archive_checksum.h"
#include "corrupted_text.h"
#include "journey.h"

namespace e2e {
namespace {

using archive::SetupKind;

struct Refusal {
  std::string caption, text;
  std::vector<std::string> log;
};

// OK on the box ends Setup.exe; a wizard shown instead would keep it running.
Refusal Refuse(SetupRun& run, const std::string& arguments = "-debug") {
  run.StartOnly(arguments);
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  Refusal seen{box.Caption(), box.Text(), {}};
  EXPECT_FALSE(run.App().FindForm("FSetup").has_value());
  box.Press();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  seen.log = run.LogTexts();
  return seen;
}

// One changed body byte: the sums, computed and stored, follow the text.
TEST(StartRefusal, CorruptedByteShowsBothSums) {
  std::vector<SegmentFile> segments = WriteSegments(TestRelease());
  std::uint64_t stored = 0;  // a sound archive's stored sums are its byte sums
  const SegmentSet sound = AllPresent(segments);
  for (const archive::SegmentView& view : ViewsOf(sound))
    stored += view.present() ? archive::ByteSum(view.body, view.length) : 0;
  ++segments[0].at(archive::kSegmentChecksumSize + archive::SetupHeader::kTitleOffset);
  const std::uint64_t computed = stored + 1;
  SetupRun run(AllPresent(segments));
  // The switch in capitals still writes the log.
  const Refusal seen = Refuse(run, "-DEBUG");
  EXPECT_EQ(seen.caption, Text(kMsgError));
  EXPECT_EQ(seen.text, Text(kMsgSetupFileCorrupted) + std::to_string(computed) + "<->" +
                           std::to_string(stored) + ")");
  ASSERT_FALSE(seen.log.empty());
  EXPECT_EQ(std::ranges::count(seen.log, "starting setup, version 1490, params: -DEBUG"), 1);
  EXPECT_EQ(seen.log.back(), "closing setup");
}

// Windows' own error number is the caption of a missing resource.
TEST(StartRefusal, MissingSegmentNamesTheResourceError) {
  const std::vector<SegmentFile> segments = WriteSegments(TestRelease(SetupKind::Full));
  SetupRun run(SegmentSet{segments[0], segments[1], std::nullopt});
  const Refusal seen = Refuse(run, "-debug ");  // a blank after the switch: no log
  EXPECT_EQ(seen.caption, "1814");
  EXPECT_EQ(seen.text, setup::CorruptedText(Text(kMsgSetupFileCorrupted)));
  EXPECT_TRUE(seen.log.empty());
}

// Right sums, wrong structure: a byte left over behind the last record.
TEST(StartRefusal, StructuralFaultIsRefusedBeforeTheWizard) {
  std::vector<SegmentFile> segments = WriteSegments(TestRelease());
  segments[0].push_back(0);
  FixChecksum(segments[0]);
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
