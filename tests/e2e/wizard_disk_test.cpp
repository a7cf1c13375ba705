// The settings page's disk figures: the archive's size in whole mebibytes, rounded
// down, and the free space of the volume the directory text names.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "wizard_texts.h"

namespace e2e {
namespace {

using archive::SetupKind;

std::uint64_t BodyTotal(const archive::ArchiveDescription& archive) {
  std::uint64_t total = 0;
  for (const SegmentFile& segment : WriteSegments(archive)) total += BodyLength(segment);
  return total;
}

// The small archive with one more file, sized so that the bodies of all segments
// add up to exactly `total` bytes.
archive::ArchiveDescription ArchiveOfBodyTotal(std::uint64_t total,
                                               std::vector<std::uint8_t>& padding) {
  archive::ArchiveDescription archive = SmallArchive(SetupKind::Full);
  archive::WriterFile pad;
  pad.name = "data/padding.dat";
  pad.fileTime = 0x01D0000000000000ull;
  archive.files.push_back(pad);
  std::sort(archive.files.begin(), archive.files.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  const auto padFile = std::find_if(archive.files.begin(), archive.files.end(),
                                    [](const auto& f) { return f.name == "data/padding.dat"; });
  const std::uint64_t without = BodyTotal(archive);
  padding.assign(total - without, 0x33);
  padFile->size = padding.size();
  padFile->bytes = padding;
  EXPECT_EQ(BodyTotal(archive), total);
  return archive;
}

std::string NeededSpaceShown(std::uint64_t bodyTotal) {
  std::vector<std::uint8_t> padding;
  SetupUnderTest setup(ArchiveOfBodyTotal(bodyTotal, padding));
  setup.Start();
  const std::string shown = setup.WaitForWizard().Child("lbl_neededmem").Text();
  EXPECT_EQ(setup.CancelWizard(), 0u);
  return shown;
}

TEST(WizardDiskFigures, OneByteShortOfAMebibyteShowsZero) {
  EXPECT_EQ(NeededSpaceShown(1048575), "0 MB");
}

TEST(WizardDiskFigures, AWholeMebibyteShowsOne) {
  EXPECT_EQ(NeededSpaceShown(1048576), "1 MB");
}

// The whole free space of the volume (not the caller's quota), in MiB.
std::uint64_t FreeMebibytes(const std::string& root) {
  ULARGE_INTEGER available{}, total{}, free{};
  EXPECT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) << root;
  return free.QuadPart / 1048576u;
}

// Other programs write to the same disks meanwhile: the figure shown must lie
// between what the volume had free just before and just after, give or take the
// larger of 256 MiB and half a percent; a figure in other units or of another
// volume is far outside.
void ExpectFreeSpaceOf(const std::string& root, const std::function<std::string()>& show) {
  const std::uint64_t before = FreeMebibytes(root);
  const std::string shown = show();
  const std::uint64_t after = FreeMebibytes(root);
  ASSERT_GE(shown.size(), 4u);
  ASSERT_EQ(shown.substr(shown.size() - 3), " MB") << shown;
  const std::uint64_t figure = std::stoull(shown.substr(0, shown.size() - 3));
  const std::uint64_t slack = std::max<std::uint64_t>(256, std::max(before, after) / 200);
  EXPECT_GE(figure + slack, std::min(before, after)) << root << " shows " << shown;
  EXPECT_LE(figure, std::max(before, after) + slack) << root << " shows " << shown;
}

// Changes the directory text on the settings page, then has the figures bound again
// by a language change on the first page.
std::string AvailableAfterTyping(const driver::Window& wizard, const std::string& directory) {
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  wizard.Child("Edit1").Type(directory);
  wizard.Child("Button3").Click();
  wizard.Child("Button3").Click();
  const driver::Window list = wizard.Child("box_language");
  list.SelectComboItem(1 - list.ComboSelection());
  return wizard.Child("lbl_availmem").Text();
}

TEST(WizardDiskFigures, AvailableSpaceIsThatOfTheDirectorysVolume) {
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  std::optional<driver::Window> wizard;
  ExpectFreeSpaceOf("C:\\", [&] {
    setup.Start();
    wizard = setup.WaitForWizard();
    EXPECT_EQ(wizard->Child("Edit1").Text().substr(0, 3), "C:\\");
    return wizard->Child("lbl_availmem").Text();
  });
  ExpectFreeSpaceOf("Z:\\", [&] { return AvailableAfterTyping(*wizard, "Z:\\tmp\\Tidemoor"); });
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// No such volume: a defined figure rather than whatever was shown before.
TEST(WizardDiskFigures, VolumeThatDoesNotExistShowsZero) {
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_EQ(AvailableAfterTyping(wizard, "Q:\\Tidemoor"), "0 MB");
  EXPECT_EQ(AvailableAfterTyping(wizard, "Q"), "0 MB");
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

}  // namespace
}  // namespace e2e
