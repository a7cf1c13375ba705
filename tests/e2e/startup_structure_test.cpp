// Archives whose checksums are right but whose records do not hold together, or name
// something outside the installation directory: refused before the wizard appears,
// so nothing is ever written from them.
#include <gtest/gtest.h>

#include <ostream>

#include "archive_check.h"
#include "setup_run.h"

namespace e2e {
namespace {

using archive::SetupKind;

struct Fault {
  const char* name;
  SegmentSet (*build)();
};

void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.name;
}

SegmentSet Spoiled(SetupKind kind, void (*change)(std::vector<SegmentFile>&)) {
  std::vector<SegmentFile> segments = WriteSegments(SmallArchive(kind));
  change(segments);
  for (SegmentFile& segment : segments) RecomputeChecksum(segment);
  return AllPresent(segments);
}

SegmentSet Described(void (*change)(archive::ArchiveDescription&)) {
  archive::ArchiveDescription description = SmallArchive(SetupKind::Full);
  change(description);
  return AllPresent(WriteSegments(description));
}

SegmentSet CountRunsPastTheBody() {
  return Spoiled(SetupKind::Full, [](std::vector<SegmentFile>& s) {
    SetBodyU32(s[0], LocateItems(s).directoryCount, 0x00FFFFFF);
  });
}

SegmentSet TextWithoutNul() {
  return Spoiled(SetupKind::Full, [](std::vector<SegmentFile>& s) {
    const std::uint32_t line = LocateItems(s).firstGermanTermsLine;
    for (std::uint32_t i = 0; i < archive::kText256Size; ++i) SetBodyByte(s[0], line + i, 'x');
  });
}

// An update whose first file takes segment 1 above the switching limit: the reader
// must go on in segment 2, which is left out. Segment 1 alone is checksum-valid.
SegmentSet SwitchToAnAbsentSegment() {
  static const std::vector<std::uint8_t> big(archive::SEGMENT_DATA_LIMIT + 1, 0);
  archive::ArchiveDescription description = SmallArchive(SetupKind::Update);
  archive::WriterFile file;
  file.name = "data/ocean.pak";
  file.size = big.size();
  file.bytes = big;
  description.files.insert(description.files.begin(), file);
  std::vector<SegmentFile> segments = WriteSegments(description);
  if (segments.size() != 2) throw BuildError("the big file did not open segment 2");
  return SegmentSet{segments[0]};
}

SegmentSet BytesLeftOver() {
  return Spoiled(SetupKind::Full, [](std::vector<SegmentFile>& s) { s[0].push_back(0); });
}

SegmentSet BytesMissingAtTheEnd() {
  return Spoiled(SetupKind::Full,
                 [](std::vector<SegmentFile>& s) { s[0].resize(s[0].size() - 4); });
}

SegmentSet AbsoluteFileName() {
  return Described(
      [](archive::ArchiveDescription& d) { d.files[3].name = "C:\\tdm-e2e-outside\\harbour.map"; });
}

SegmentSet DirectoryStartingWithASeparator() {
  return Described([](archive::ArchiveDescription& d) { d.directories[0] = "\\data"; });
}

SegmentSet ShortcutTargetWithADriveLetter() {
  return Described(
      [](archive::ArchiveDescription& d) { d.shortcuts[1].targetFile = "D:TDMClient.exe"; });
}

SegmentSet ReadmeWithADotDotComponent() {
  return Described(
      [](archive::ArchiveDescription& d) { d.readmes[1].readmeFile = "docs/../../readme.txt"; });
}

SegmentSet LinkNameWithASeparator() {
  return Described(
      [](archive::ArchiveDescription& d) { d.desktopLinkName = "Desktop\\Tidemoor.lnk"; });
}

const Fault kFaults[] = {
    {"CountRunsPastTheBody", CountRunsPastTheBody},
    {"TextWithoutNul", TextWithoutNul},
    {"SwitchToAnAbsentSegment", SwitchToAnAbsentSegment},
    {"BytesLeftOver", BytesLeftOver},
    {"BytesMissingAtTheEnd", BytesMissingAtTheEnd},
    {"AbsoluteFileName", AbsoluteFileName},
    {"DirectoryStartingWithASeparator", DirectoryStartingWithASeparator},
    {"ShortcutTargetWithADriveLetter", ShortcutTargetWithADriveLetter},
    {"ReadmeWithADotDotComponent", ReadmeWithADotDotComponent},
    {"LinkNameWithASeparator", LinkNameWithASeparator},
};

class StructuralFault : public ::testing::TestWithParam<Fault> {};

TEST_P(StructuralFault, IsRefusedBeforeTheWizard) {
  const SegmentSet segments = GetParam().build();
  // Only the structure can give it away: every stored sum matches its body.
  archive::SegmentViews views{};
  for (std::size_t n = 0; n < segments.size(); ++n) {
    if (!segments[n]) continue;
    ASSERT_EQ(StoredChecksum(*segments[n]), BodySum(*segments[n])) << "segment " << n + 1;
    views[n] = {segments[n]->data() + archive::kSegmentChecksumSize, BodyLength(*segments[n])};
  }
  ASSERT_FALSE(archive::CheckArchive(views).ok) << "the archive is not broken";

  const bool german = UserIsGerman();
  SetupUnderTest setup(segments);
  setup.Start();
  const driver::MessageBoxWindow box = setup.WaitForMessageBox();
  EXPECT_EQ(box.Caption(), kTextError.In(german));
  // Nothing follows text 40 here, so the German text leaves no bracket open.
  EXPECT_EQ(box.Text(),
            german ? "Die Installations-Datei ist fehlerhaft!" : "The setup file is corrupted!");
  EXPECT_EQ(setup.DismissRefusal(box), 0u);
  const std::vector<std::string> texts = setup.LogTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "closing setup");
}

INSTANTIATE_TEST_SUITE_P(Archives, StructuralFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace e2e
