// A full installation must not run over an existing one: a registered "Language"
// in either root refuses it before the wizard appears, in that installation's
// language. A registered directory alone does not refuse it, but then the settings
// page accepts no other directory text.
#include <gtest/gtest.h>

#include <algorithm>

#include "earlier_support.h"
#include "earlier_texts.h"

namespace e2e {
namespace {

using archive::SetupKind;

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

void ExpectEndedBeforeTheWizard(const Refusal& seen) {
  EXPECT_FALSE(seen.hasIcon);
  EXPECT_EQ(seen.exitCode, 0u);
  EXPECT_TRUE(Contains(seen.log, "checking for registered versions"));
  EXPECT_FALSE(Contains(seen.log, "finished FormCreate"));
  ASSERT_FALSE(seen.log.empty());
  EXPECT_EQ(seen.log.back(), "closing setup");
}

TEST(FullOverEarlierInstallation, RefusedInGermanWhenTheCurrentUserRegisteredGerman) {
  RegisteredValues registry;
  registry.SetLanguage(HKEY_CURRENT_USER, 0);
  const Refusal seen = RunToRefusal(SmallArchive(SetupKind::Full));
  EXPECT_EQ(seen.text, kTextUninstallFirst.german);
  EXPECT_EQ(seen.caption, kTextError.german);
  ExpectEndedBeforeTheWizard(seen);
}

TEST(FullOverEarlierInstallation, RefusedInEnglishWhenOnlyTheMachineRegisteredEnglish) {
  RegisteredValues registry;
  registry.SetLanguage(HKEY_LOCAL_MACHINE, 1);
  const Refusal seen = RunToRefusal(SmallArchive(SetupKind::Full));
  EXPECT_EQ(seen.text, kTextUninstallFirst.english);
  EXPECT_EQ(seen.caption, kTextError.english);
  ExpectEndedBeforeTheWizard(seen);
}

TEST(FullOverEarlierInstallation, CurrentUsersLanguageWinsOverTheMachines) {
  RegisteredValues registry;
  registry.SetLanguage(HKEY_CURRENT_USER, 1);
  registry.SetLanguage(HKEY_LOCAL_MACHINE, 0);
  const Refusal seen = RunToRefusal(SmallArchive(SetupKind::Full));
  EXPECT_EQ(seen.text, kTextUninstallFirst.english);
  EXPECT_EQ(seen.caption, kTextError.english);
}

// A language number the installer never writes still refuses, and in English
// rather than with an empty box.
TEST(FullOverEarlierInstallation, ForeignLanguageNumberRefusesInEnglish) {
  RegisteredValues registry;
  registry.SetLanguage(HKEY_LOCAL_MACHINE, 7);
  const Refusal seen = RunToRefusal(SmallArchive(SetupKind::Full));
  EXPECT_EQ(seen.text, kTextUninstallFirst.english);
  EXPECT_EQ(seen.caption, kTextError.english);
}

// Only a number counts as a registered language.
TEST(FullOverEarlierInstallation, LanguageStoredAsTextDoesNotCount) {
  RegisteredValues registry;
  registry.SetString(HKEY_CURRENT_USER, "Language", "1");
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  setup.WaitForWizard();
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

void GoToSettingsPage(const driver::Window& wizard) {
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  ASSERT_TRUE(wizard.Child("TabSheet2").IsVisible());
}

// Start on the settings page with `typed` in the directory field; the refusal box
// is answered and the wizard must still be on the settings page.
void ExpectDirectoryRefused(SetupUnderTest& setup, const driver::Window& wizard,
                            const std::string& typed) {
  SCOPED_TRACE("directory text " + typed);
  const bool german = UserIsGerman();
  wizard.Child("Edit1").Type(typed);
  wizard.Child("Button1").Click();
  const driver::MessageBoxWindow box = setup.WaitForMessageBox();
  EXPECT_EQ(box.Text(), kTextAlreadyInstalled.In(german));
  EXPECT_EQ(box.Caption(), kTextError.In(german));
  EXPECT_FALSE(box.HasIcon());
  box.Press(IDOK);
  driver::WaitUntil([&] { return !setup.App().FindMessageBox().has_value(); }, "the box to close");
  EXPECT_TRUE(wizard.Child("TabSheet2").IsVisible());
  EXPECT_EQ(wizard.Child("Button1").Text(), "&Start!");
  EXPECT_TRUE(wizard.Child("Button1").IsEnabled());
  EXPECT_TRUE(wizard.Child("Button3").IsVisible());
  EXPECT_EQ(wizard.Child("Edit1").Text(), typed);
}

TEST(FullOverEarlierInstallation, RegisteredDirectoryAloneAllowsOnlyThatDirectory) {
  RegisteredValues registry;
  driver::ScratchDirectory registeredDirectory("tdm-e2e-Registered");
  const std::string registered = registeredDirectory.Path() + "\\Tidemoor";
  registry.SetString(HKEY_CURRENT_USER, "InstallDir", registered);

  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  GoToSettingsPage(wizard);

  // The default directory differs from the registered one.
  ExpectDirectoryRefused(setup, wizard, wizard.Child("Edit1").Text());
  std::string otherCase = registered;
  std::transform(otherCase.begin(), otherCase.end(), otherCase.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  ExpectDirectoryRefused(setup, wizard, otherCase);
  ExpectDirectoryRefused(setup, wizard, registered + "\\");
  ExpectDirectoryRefused(setup, wizard, registered + " ");

  wizard.Child("Edit1").Type(registered);
  wizard.Child("Button1").Click();
  driver::WaitUntil([&] { return wizard.Child("TabSheet4").IsVisible(); },
                    "the installation into the registered directory to succeed");
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  EXPECT_TRUE(driver::FileExists(registered + "\\TDMClient.exe"));
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

// The same check with the directory registered for the machine only.
TEST(FullOverEarlierInstallation, MachineRegisteredDirectoryIsCheckedToo) {
  RegisteredValues registry;
  registry.SetString(HKEY_LOCAL_MACHINE, "InstallDir", "C:\\Games\\Tidemoor");
  SetupUnderTest setup(SmallArchive(SetupKind::Full));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  GoToSettingsPage(wizard);
  ExpectDirectoryRefused(setup, wizard, "c:\\games\\tidemoor");
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

}  // namespace
}  // namespace e2e
