// The wizard as a user moves through it: keys and buttons, the language switch, the
// directory dialog on another drive, a close refused while the files are copied.
#include <algorithm>

#include "journey.h"

namespace e2e {
namespace {

TEST(Wizard, KeysAndButtonsBackAndForthThenTheOtherLanguage) {
  SetupRun run(TDM_DEMO_FULL_SETUP);
  const Window wizard = run.Start();
  const Window forward = wizard.Child("Button1");
  // The forward button has the focus, and Enter presses it. The wizard shows before
  // Windows activates it, so the focus may land a moment after it appears.
  driver::WaitUntil([&] { return run.App().Focus().Handle() == forward.Handle(); },
                    "the forward button to have the focus");
  forward.PressKey(VK_RETURN);
  // The page shows before the handler disables forward: wait for the whole switch.
  driver::WaitUntil([&] { return wizard.Child("TabSheet6").IsVisible() && !forward.IsEnabled(); },
                    "Enter to go forward");
  wizard.Child("chk_disclaimer").SetChecked(true);
  EXPECT_TRUE(forward.IsEnabled());
  wizard.Child("Button3").Click();
  ASSERT_TRUE(wizard.Child("TabSheet1").IsVisible());
  EXPECT_FALSE(wizard.Child("Button3").IsEnabled());
  forward.Click();
  EXPECT_TRUE(forward.IsEnabled()) << "the accepted terms were forgotten";
  forward.Click();
  ASSERT_TRUE(wizard.Child("TabSheet2").IsVisible());
  EXPECT_EQ(forward.Text(), Text(kMsgStart));
  // Where Tab goes on each page: u_setup_keyboard_test.
  wizard.Child("Button3").Click();
  wizard.Child("Button3").Click();
  // The other language rebinds every caption at once.
  const std::uint32_t other = 1 - UserLanguage();
  wizard.Child("box_language").SelectComboItem(static_cast<int>(other));
  EXPECT_EQ(wizard.Child("Label3").Text(), Text(kMsgChooseLanguage, other));
  EXPECT_EQ(forward.Text(), Text(kMsgNext, other));
  EXPECT_EQ(wizard.Child("Button2").Text(), Text(kMsgCancel, other));
  wizard.Child("Button2").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  const std::vector<std::string> log = run.LogTexts();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Cancel was clicked");
  EXPECT_EQ(log.back(), "closing setup");
}

// Drive D: is a folder on another file system than C: (TDM_WINE_DRIVES), so the two
// free-space figures differ and a figure of the wrong drive shows.
TEST(Wizard, DirectoryDialogTakesTheDirectoryAndSpaceOfAnotherDrive) {
  SetupRun run(TDM_DEMO_FULL_SETUP);
  const Window wizard = run.Start();
  run.WalkToSettings(wizard);
  const std::string before = wizard.Child("Edit1").Text();
  ASSERT_TRUE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), before));
  ASSERT_FALSE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), "D:\\"))
      << "D: is on C:'s file system";
  driver::SendAsUser(wizard.Child("Button4"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  Window dialog = run.App().WaitForForm("FSelectDirectory");
  EXPECT_EQ(dialog.Text(), Text(kMsgChooseDirectory));
  // Esc cancels and leaves the directory as it was.
  run.App().Focus().PressKey(VK_ESCAPE);
  run.App().WaitForFormGone("FSelectDirectory");
  EXPECT_EQ(wizard.Child("Edit1").Text(), before);

  driver::SendAsUser(wizard.Child("Button4"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  dialog = run.App().WaitForForm("FSelectDirectory");
  // The drives in turn until D: (throws when there is none).
  for (int drive = 0; dialog.Child("Edit1").Text().substr(0, 2) != "D:"; ++drive)
    dialog.Child("DriveComboBox1").SelectComboItem(drive);
  EXPECT_TRUE(ShowsFreeSpaceOf(dialog.Child("lbl_availmem").Text(), "D:\\"));
  const std::string chosen = dialog.Child("Edit1").Text();
  dialog.Child("Button1").Click();
  run.App().WaitForFormGone("FSelectDirectory");
  EXPECT_EQ(wizard.Child("Edit1").Text(), chosen);
  EXPECT_TRUE(ShowsFreeSpaceOf(wizard.Child("lbl_availmem").Text(), "D:\\"));
  EXPECT_EQ(wizard.Child("Button1").Text(), Text(kMsgStart));
  wizard.Close();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

// Enough files that the copying runs for a while: 300 of 256 KiB, sorted by name.
archive::ArchiveDescription LargeArchive() {
  static const std::vector<std::uint8_t> contents(256 * 1024, 0x5A);
  archive::ArchiveDescription archive = TestRelease();
  for (int i = 1000; i < 1300; ++i)
    archive.files.push_back(
        {"data/bulk" + std::to_string(i) + ".dat", 1ull << 56, contents.size(), contents, {}});
  std::sort(archive.files.begin(), archive.files.end(),
            [](const auto& x, const auto& y) { return x.name < y.name; });
  return archive;
}

TEST(Wizard, CloseIsRefusedWhileCopyingThenTheSuccessPageEnds) {
  const CleanRegistry clean;
  driver::ScratchDirectory target("tdm-e2e-target");
  SetupRun run(AllPresent(WriteSegments(LargeArchive())));
  const Window wizard = run.Start();
  run.WalkToSettings(wizard);
  wizard.Child("Edit1").Type(target.PathOf("Tidemoor"));
  wizard.Child("CheckBox3").SetChecked(false);
  driver::SendAsUser(wizard.Child("Button1"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  driver::WaitUntil([&] { return wizard.Child("TabSheet3").IsVisible(); }, "the progress page");
  EXPECT_FALSE(wizard.Child("Button1").IsEnabled());
  EXPECT_FALSE(wizard.Child("Button2").IsVisible());
  wizard.Close();
  ASSERT_TRUE(wizard.Child("TabSheet3").IsVisible()) << "the copying ended before the close";
  driver::WaitUntil([&] { return wizard.Child("TabSheet4").IsVisible(); },
                    "the installation to finish", driver::Milliseconds{120000});
  EXPECT_TRUE(driver::FileExists(target.PathOf("Tidemoor\\data\\bulk1299.dat")));
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

}  // namespace
}  // namespace e2e
