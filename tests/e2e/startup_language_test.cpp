// The preparation window and the wizard's first appearance speak the user's language:
// German for German of Germany, Switzerland, Austria, Luxembourg and Liechtenstein,
// English for everyone else. ctest runs this binary once more as an Austrian (de_AT)
// and as a French (fr_FR) user.
#include <gtest/gtest.h>

#include <cstdlib>

#include "setup_run.h"

namespace e2e {
namespace {

using archive::SetupKind;

// In a locale run the run's language is named, so a run that silently fell back to
// another locale fails instead of testing the wrong user.
TEST(StartLanguage, TheRunHasTheLanguageItWasStartedFor) {
  const char* expected = std::getenv("TDM_EXPECTED_LANGID");
  if (expected == nullptr) GTEST_SKIP() << "not a locale run";
  const unsigned long id = std::strtoul(expected, nullptr, 16);
  EXPECT_EQ(GetUserDefaultLangID(), id);
  EXPECT_EQ(UserIsGerman(), id == 0x0C07);
}

TEST(StartLanguage, WizardComesUpInTheUsersLanguage) {
  const bool german = UserIsGerman();
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_EQ(wizard.Text(), "Installation:");
  EXPECT_EQ(wizard.Child("Button1").Text(), kTextNext.In(german));
  EXPECT_EQ(wizard.Child("Label3").Text(), kTextChooseLanguage.In(german));
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), german ? 0 : 1);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// A refusal during the check is shown while the preparation window is still up, so
// the window can be read at leisure: caption, waiting text and the bar as the check
// left it. The archive: a valid Full archive whose segments 2 and 3 get bodies of
// 95 and 120 bytes and whose segment 3 has one byte changed.
TEST(StartLanguage, PreparationWindowWaitsInTheUsersLanguage) {
  const bool german = UserIsGerman();
  std::vector<SegmentFile> segments = WriteSegments(SmallArchive(SetupKind::Full));
  segments[1] = SegmentWithBody(std::vector<std::uint8_t>(95, 0x10));
  segments[2] = SegmentWithBody(std::vector<std::uint8_t>(120, 0x20));
  SetBodyByte(segments[2], 60, 0x21);
  const std::uint32_t first = BodyLength(segments[0]);

  SetupUnderTest setup(AllPresent(segments));
  setup.Start();
  const driver::MessageBoxWindow box = setup.WaitForMessageBox();
  const driver::Window splash = setup.App().WaitForForm("FSplash");
  EXPECT_EQ(splash.Text(), "Installation:");
  EXPECT_EQ(splash.Child("lbl_info").Text(), kTextPleaseWait.In(german));
  const driver::ProgressState bar = splash.Child("bar_progress").Progress();
  EXPECT_EQ(bar.low, 0);
  EXPECT_EQ(bar.high, static_cast<int>(first + 95 + 120));
  // The last point of segment 3: its base plus the largest multiple of 12 below 120.
  EXPECT_EQ(bar.position, static_cast<int>(first + 95 + 108));
  EXPECT_EQ(box.Caption(), kTextError.In(german));
  EXPECT_EQ(setup.DismissRefusal(box), 0u);
}

}  // namespace
}  // namespace e2e
