// An update runs only over a registered installation and takes its settings from
// it: language, directory, start-menu group and scope. Every missing piece refuses
// it before the wizard appears.
#include <gtest/gtest.h>

#include <algorithm>

#include "earlier_support.h"
#include "earlier_texts.h"

namespace e2e {
namespace {

// The demo client's version, which the small update requires.
constexpr DWORD kInstalledMS = 807;
constexpr DWORD kInstalledLS = 3;

class UpdateOverEarlierInstallation : public ::testing::Test {
 protected:
  // A complete registration of `client` in `root`.
  void Register(HKEY root, DWORD language, const std::string& group = "Spiele\\Tidemoor") {
    registry_.SetLanguage(root, language);
    registry_.SetString(root, "InstallDir", client_.Directory());
    registry_.SetString(root, "StartMenuGroup", group);
  }

  RegisteredValues registry_;
  InstalledClient client_{kInstalledMS, kInstalledLS};
};

TEST_F(UpdateOverEarlierInstallation, WithoutLanguageIsRefusedInTheUsersLanguage) {
  const bool german = UserIsGerman();
  registry_.SetString(HKEY_CURRENT_USER, "InstallDir", client_.Directory());
  registry_.SetString(HKEY_CURRENT_USER, "StartMenuGroup", "Tidemoor");
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.text, kTextRegistryReadFailed.In(german));
  EXPECT_EQ(seen.caption, kTextError.In(german));
  EXPECT_FALSE(seen.hasIcon);
  EXPECT_EQ(seen.exitCode, 0u);
}

TEST_F(UpdateOverEarlierInstallation, WithoutDirectoryIsRefusedInTheRegisteredEnglish) {
  registry_.SetLanguage(HKEY_CURRENT_USER, 1);
  registry_.SetString(HKEY_CURRENT_USER, "StartMenuGroup", "Tidemoor");
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.text, kTextInstallDirUnknown.english);
  EXPECT_EQ(seen.caption, kTextRegistryAccessFailure.english);
  EXPECT_EQ(seen.exitCode, 0u);
}

TEST_F(UpdateOverEarlierInstallation, WithoutDirectoryIsRefusedInTheRegisteredGerman) {
  registry_.SetLanguage(HKEY_LOCAL_MACHINE, 0);
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.text, kTextInstallDirUnknown.german);
  EXPECT_EQ(seen.caption, kTextRegistryAccessFailure.german);
}

TEST_F(UpdateOverEarlierInstallation, WithoutStartMenuGroupIsRefused) {
  registry_.SetLanguage(HKEY_CURRENT_USER, 0);
  registry_.SetString(HKEY_CURRENT_USER, "InstallDir", client_.Directory());
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.text, kTextRegistryReadFailed.german);
  EXPECT_EQ(seen.caption, kTextError.german);
}

// A directory text longer than its 256-byte buffer cannot be read: not registered.
TEST_F(UpdateOverEarlierInstallation, OverlongDirectoryCountsAsNotRegistered) {
  Register(HKEY_CURRENT_USER, 1);
  registry_.SetString(HKEY_CURRENT_USER, "InstallDir", "C:\\" + std::string(253, 'x'));
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.text, kTextInstallDirUnknown.english);
  EXPECT_EQ(seen.caption, kTextRegistryAccessFailure.english);
}

TEST_F(UpdateOverEarlierInstallation, MissingClientShowsItsFullPathInGerman) {
  Register(HKEY_CURRENT_USER, 0);
  ASSERT_TRUE(DeleteFileA(client_.ClientPath().c_str()));
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.caption, kTextMissingClient.german);
  EXPECT_EQ(seen.text, client_.Directory() + "\\TDMClient.exe");
  EXPECT_EQ(seen.exitCode, 0u);
}

TEST_F(UpdateOverEarlierInstallation, MissingClientShowsItsFullPathInEnglish) {
  Register(HKEY_LOCAL_MACHINE, 1);
  ASSERT_TRUE(DeleteFileA(client_.ClientPath().c_str()));
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.caption, kTextMissingClient.english);
  EXPECT_EQ(seen.text, client_.Directory() + "\\TDMClient.exe");
}

TEST_F(UpdateOverEarlierInstallation, ClientWithoutVersionResourceCountsAsMissing) {
  Register(HKEY_CURRENT_USER, 1);
  client_.DropVersionResource();
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.caption, kTextMissingClient.english);
  EXPECT_EQ(seen.text, client_.ClientPath());
}

// A version resource without its fixed part has no version to compare.
TEST_F(UpdateOverEarlierInstallation, ClientWithoutFixedVersionPartCountsAsMissing) {
  Register(HKEY_CURRENT_USER, 1);
  client_.DropFixedVersionPart();
  const Refusal seen = RunToRefusal(UpdateArchive(807, 3));
  EXPECT_EQ(seen.caption, kTextMissingClient.english);
  EXPECT_EQ(seen.text, client_.ClientPath());
}

void GoToSettingsPage(const driver::Window& wizard) {
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  ASSERT_TRUE(wizard.Child("TabSheet2").IsVisible());
}

// Everything the wizard shows of an adopted installation, on its settings page.
void ExpectAdopted(const driver::Window& wizard, int language, const std::string& directory,
                   const std::string& group, bool currentUser) {
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), language);
  EXPECT_EQ(wizard.Child("Label3").Text(), kTextChooseLanguage.In(language == 0));
  GoToSettingsPage(wizard);
  EXPECT_EQ(wizard.Child("Edit1").Text(), directory);
  EXPECT_EQ(wizard.Child("Edit2").Text(), group);
  EXPECT_EQ(wizard.Child("radio_current_user").IsChecked(), currentUser);
  EXPECT_EQ(wizard.Child("radio_all_users").IsChecked(), !currentUser);
  EXPECT_FALSE(wizard.Child("radio_current_user").IsEnabled());
  EXPECT_FALSE(wizard.Child("radio_all_users").IsEnabled());
  EXPECT_FALSE(wizard.Child("CheckBox3").IsVisible());
  EXPECT_FALSE(wizard.Child("CheckBox3").IsChecked());
}

TEST_F(UpdateOverEarlierInstallation, AdoptsTheCurrentUsersInstallation) {
  Register(HKEY_CURRENT_USER, 1);
  SetupUnderTest setup(UpdateArchive(807, 3));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_FALSE(setup.App().FindMessageBox().has_value());
  ExpectAdopted(wizard, 1, client_.Directory(), "Spiele\\Tidemoor", true);
  EXPECT_EQ(setup.CancelWizard(), 0u);
  const std::vector<std::string> log = setup.LogTexts();
  EXPECT_NE(std::find(log.begin(), log.end(), "finished FormCreate"), log.end());
}

TEST_F(UpdateOverEarlierInstallation, AdoptsTheMachinesInstallationForAllUsers) {
  Register(HKEY_LOCAL_MACHINE, 0, "Tidemoor Spiele");
  SetupUnderTest setup(UpdateArchive(807, 3));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  ExpectAdopted(wizard, 0, client_.Directory(), "Tidemoor Spiele", false);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// Each value is looked up for the current user first; the scope follows where the
// language is registered.
TEST_F(UpdateOverEarlierInstallation, CurrentUsersValuesWinOverTheMachines) {
  Register(HKEY_CURRENT_USER, 0, "Benutzergruppe");
  registry_.SetLanguage(HKEY_LOCAL_MACHINE, 1);
  registry_.SetString(HKEY_LOCAL_MACHINE, "InstallDir", "C:\\Machine\\Tidemoor");
  registry_.SetString(HKEY_LOCAL_MACHINE, "StartMenuGroup", "Maschinengruppe");
  SetupUnderTest setup(UpdateArchive(807, 3));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  ExpectAdopted(wizard, 0, client_.Directory(), "Benutzergruppe", true);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// A language number the installer never writes is adopted as English.
TEST_F(UpdateOverEarlierInstallation, ForeignLanguageNumberIsAdoptedAsEnglish) {
  Register(HKEY_CURRENT_USER, 5);
  SetupUnderTest setup(UpdateArchive(807, 3));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  EXPECT_EQ(wizard.Child("Button1").Text(), kTextNext.english);
  ExpectAdopted(wizard, 1, client_.Directory(), "Spiele\\Tidemoor", true);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

// The adopted language is still the user's to change on the first page.
TEST_F(UpdateOverEarlierInstallation, AdoptedLanguageCanStillBeChanged) {
  Register(HKEY_CURRENT_USER, 1);
  SetupUnderTest setup(UpdateArchive(807, 3));
  setup.Start();
  const driver::Window wizard = setup.WaitForWizard();
  wizard.Child("box_language").SelectComboItem(0);
  EXPECT_EQ(wizard.Child("Label3").Text(), kTextChooseLanguage.german);
  EXPECT_EQ(wizard.Child("Button1").Text(), kTextNext.german);
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

}  // namespace
}  // namespace e2e
