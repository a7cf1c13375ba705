// Moving through the wizard as a user does: the terms must be accepted to go on,
// back and forward keep every setting, cancel ends the program at once, the failure
// page's button closes it, and the window cannot be closed under a running
// installation.
#include <gtest/gtest.h>

#include <algorithm>

#include "earlier_support.h"
#include "wizard_texts.h"

namespace e2e {
namespace {

using archive::SetupKind;

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// A click on a label's text, as the mouse delivers it.
void ClickLabel(const driver::Window& label) {
  driver::SendAsUser(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  driver::SendAsUser(label, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

class WizardNavigation : public ::testing::Test {
 protected:
  driver::Window Start(const archive::ArchiveDescription& archive = SmallArchive(SetupKind::Full)) {
    setup_.emplace(archive);
    setup_->Start();
    return setup_->WaitForWizard();
  }
  SetupUnderTest& Installer() { return *setup_; }

  std::optional<SetupUnderTest> setup_;
};

TEST_F(WizardNavigation, TermsMustBeAcceptedToGoOn) {
  const driver::Window wizard = Start();
  const driver::Window forward = wizard.Child("Button1");
  const driver::Window accept = wizard.Child("chk_disclaimer");
  EXPECT_FALSE(wizard.Child("Button3").IsEnabled());
  forward.Click();
  EXPECT_TRUE(wizard.Child("TabSheet6").IsVisible());
  EXPECT_FALSE(wizard.Child("TabSheet1").IsVisible());
  EXPECT_FALSE(accept.IsChecked());
  EXPECT_FALSE(forward.IsEnabled());
  EXPECT_TRUE(wizard.Child("Button3").IsEnabled());

  accept.SetChecked(true);
  EXPECT_TRUE(forward.IsEnabled());
  accept.SetChecked(false);
  EXPECT_FALSE(forward.IsEnabled());

  // The second line of the sentence works like the box itself.
  const driver::Window secondLine = wizard.Child("chk_disclaimer2");
  ClickLabel(secondLine);
  EXPECT_TRUE(accept.IsChecked());
  EXPECT_TRUE(forward.IsEnabled());
  ClickLabel(secondLine);
  EXPECT_FALSE(accept.IsChecked());
  EXPECT_FALSE(forward.IsEnabled());
  ClickLabel(secondLine);
  EXPECT_TRUE(forward.IsEnabled());

  forward.Click();
  EXPECT_TRUE(wizard.Child("TabSheet2").IsVisible());
  EXPECT_FALSE(wizard.Child("TabSheet6").IsVisible());
  EXPECT_EQ(forward.Text(), kTextStart);
  EXPECT_EQ(Installer().CancelWizard(), 0u);
}

TEST_F(WizardNavigation, BackAndForwardKeepEverySetting) {
  const driver::Window wizard = Start();
  wizard.Child("box_language").SelectComboItem("English");
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();

  const std::string directory = "C:\\Spiele\\Tidemoor Test";
  const std::string group = "Meine Spiele\\Tidemoor";
  wizard.Child("Edit1").Type(directory);
  wizard.Child("Edit2").Type(group);
  wizard.Child("radio_all_users").Click();
  wizard.Child("CheckBox3").SetChecked(false);

  const driver::Window forward = wizard.Child("Button1");
  const driver::Window back = wizard.Child("Button3");
  back.Click();
  EXPECT_TRUE(wizard.Child("TabSheet6").IsVisible());
  EXPECT_EQ(forward.Text(), "&Next >>");
  EXPECT_TRUE(forward.IsEnabled());
  EXPECT_TRUE(wizard.Child("chk_disclaimer").IsChecked());
  back.Click();
  EXPECT_TRUE(wizard.Child("TabSheet1").IsVisible());
  EXPECT_EQ(forward.Text(), "&Next >>");
  EXPECT_TRUE(forward.IsEnabled());
  EXPECT_FALSE(back.IsEnabled());
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), 1);
  EXPECT_EQ(wizard.Child("Label3").Text(), "Please choose a language:");

  // The terms were accepted before: forward is usable at once.
  forward.Click();
  EXPECT_TRUE(wizard.Child("TabSheet6").IsVisible());
  EXPECT_TRUE(forward.IsEnabled());
  forward.Click();
  EXPECT_TRUE(wizard.Child("TabSheet2").IsVisible());
  EXPECT_EQ(forward.Text(), kTextStart);
  EXPECT_EQ(wizard.Child("Edit1").Text(), directory);
  EXPECT_EQ(wizard.Child("Edit2").Text(), group);
  EXPECT_TRUE(wizard.Child("radio_all_users").IsChecked());
  EXPECT_FALSE(wizard.Child("radio_current_user").IsChecked());
  EXPECT_FALSE(wizard.Child("CheckBox3").IsChecked());
  EXPECT_EQ(wizard.Child("Label4").Text(), "Installation directory:");
  EXPECT_EQ(Installer().CancelWizard(), 0u);
}

void ExpectCancelled(const SetupUnderTest& setup) {
  const std::vector<std::string> log = setup.LogTexts();
  EXPECT_TRUE(Contains(log, "Cancel was clicked"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "closing setup");
}

TEST_F(WizardNavigation, CancelOnTheFirstPageEndsTheProgram) {
  Start();
  EXPECT_EQ(Installer().CancelWizard(), 0u);
  ExpectCancelled(Installer());
}

TEST_F(WizardNavigation, CancelOnTheSettingsPageEndsTheProgramWithoutAQuestion) {
  const driver::Window wizard = Start();
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  EXPECT_EQ(Installer().CancelWizard(), 0u);
  ExpectCancelled(Installer());
}

TEST_F(WizardNavigation, CloseBoxEndsTheProgramWithoutTheCancelLine) {
  const driver::Window wizard = Start();
  wizard.Close();
  EXPECT_EQ(Installer().WaitForExit(), 0u);
  const std::vector<std::string> log = Installer().LogTexts();
  EXPECT_FALSE(Contains(log, "Cancel was clicked"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "closing setup");
}

// A drive that does not exist: the installation directory cannot be created.
TEST_F(WizardNavigation, FailurePagesButtonClosesTheProgram) {
  const driver::Window wizard = Start();
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  wizard.Child("Edit1").Type("Q:\\Tidemoor");
  wizard.Child("Button1").Click();
  Installer().WaitForMessageBox().Press(IDOK);
  driver::WaitUntil([&] { return wizard.Child("TabSheet5").IsVisible(); }, "the failure page");
  const bool german = UserIsGerman();
  EXPECT_EQ(wizard.Child("Label7").Text(),
            (Texts{"W\xE4hrend der Installation ist ein Fehler aufgetreten.",
                   "An error occured while installation."})
                .In(german));
  const driver::Window forward = wizard.Child("Button1");
  EXPECT_EQ(forward.Text(), kTextFinished.In(german));
  EXPECT_TRUE(forward.IsEnabled());
  EXPECT_FALSE(wizard.Child("Button2").IsVisible());
  EXPECT_FALSE(wizard.Child("Button3").IsVisible());
  EXPECT_FALSE(wizard.Child("CheckBox4").IsVisible());
  forward.Click();
  EXPECT_EQ(Installer().WaitForExit(), 0u);
  EXPECT_EQ(Installer().LogTexts().back(), "closing setup");
}

// Enough files that the installation runs for a while: 300 of 256 KiB.
archive::ArchiveDescription LargeArchive() {
  static const std::vector<std::uint8_t> contents(256 * 1024, 0x5A);
  archive::ArchiveDescription archive = SmallArchive(SetupKind::Full);
  for (int i = 0; i < 300; ++i) {
    archive::WriterFile file;
    file.name = "data/bulk" + std::to_string(1000 + i) + ".dat";
    file.fileTime = 0x01D0000000000000ull;
    file.size = contents.size();
    file.bytes = contents;
    archive.files.push_back(file);
  }
  std::sort(archive.files.begin(), archive.files.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return archive;
}

TEST_F(WizardNavigation, ClosingDuringTheInstallationIsRefusedUntilItEnds) {
  const RegisteredValues registered;  // the installation registers; removed afterwards
  driver::ScratchDirectory target("tdm-e2e-target");
  const driver::Window wizard = Start(LargeArchive());
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  wizard.Child("Edit1").Type(target.PathOf("Tidemoor"));
  wizard.Child("CheckBox3").SetChecked(false);
  // Pressed without waiting: the installation runs inside this click.
  driver::SendAsUser(wizard.Child("Button1"), BM_CLICK, 0, 0, driver::Milliseconds{0});
  driver::WaitUntil([&] { return wizard.Child("TabSheet3").IsVisible(); }, "the progress page");

  wizard.Close();
  ASSERT_TRUE(wizard.Child("TabSheet3").IsVisible())
      << "the installation ended before the close request arrived";
  EXPECT_TRUE(Installer().App().GetProcess().IsRunning());

  driver::WaitUntil([&] { return wizard.Child("TabSheet4").IsVisible(); },
                    "the installation to finish", driver::Milliseconds{120000});
  EXPECT_TRUE(wizard.Exists());
  EXPECT_TRUE(Installer().App().GetProcess().IsRunning());
  EXPECT_TRUE(driver::FileExists(target.PathOf("Tidemoor\\data\\bulk1299.dat")));
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(Installer().WaitForExit(), 0u);
}

}  // namespace
}  // namespace e2e
