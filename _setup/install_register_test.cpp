// The registration stage and the all-users rights probe, with a registry that lets
// this user write everywhere (Wine's).
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using archive::SetupKind;

constexpr char kUninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class InstallRegister : public InstallTest {
 protected:
  void TearDown() override {
    if (volatileUninstall_) {
      DeleteTree(HKEY_LOCAL_MACHINE, kUninstallParent);
      HKEY key = nullptr;
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallParent, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &key, nullptr);
      if (key != nullptr) RegCloseKey(key);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kProbeKey);
    InstallTest::TearDown();
  }

  // A volatile parent refuses every lasting key below it: the machine's uninstall
  // entry cannot be created.
  void RefuseMachineUninstallEntry() {
    volatileUninstall_ = true;
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallParent);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallParent, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  bool volatileUninstall_ = false;
};

TEST_F(InstallRegister, CurrentUserKeepsSettingsWithTheUserAndUninstallEntryWithTheMachine) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor Group", false, true));
  ExpectSuccessPage();

  RegValue dir = ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir");
  EXPECT_EQ(dir.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(dir.bytes, Sz(InstallDir()));
  RegValue language = ReadValue(HKEY_CURRENT_USER, kProductKey, "Language");
  EXPECT_EQ(language.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(language.bytes, Dword(1));
  RegValue group = ReadValue(HKEY_CURRENT_USER, kProductKey, "StartMenuGroup");
  EXPECT_EQ(group.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(group.bytes, Sz("Tidemoor Group"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));

  RegValue name = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName");
  EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(name.bytes, Sz("Tidemoor"));
  RegValue command = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  EXPECT_EQ(command.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(command.bytes, UninstallCommandSz(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

TEST_F(InstallRegister, AllUsersWritesEverythingUnderTheMachineInGerman) {
  CLang::SetLanguage(kLanguageGerman);
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", true, false));
  ExpectSuccessPage();
  EXPECT_EQ(setup_->Button1.Text(), "&Fertig!");

  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir").bytes, Sz(InstallDir()));
  RegValue language = ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "Language");
  EXPECT_EQ(language.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(language.bytes, Dword(0));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "StartMenuGroup").bytes, Sz("Tidemoor"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes,
            UninstallCommandSz(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
  // The probe's key is gone again.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProbeKey));
}

TEST_F(InstallRegister, UninstallCommandIsQuotedForADirectoryWithBlanks) {
  const std::string directory = root_ + "\\Program Files\\Tidemoor";
  Open(SmallRelease());
  ASSERT_TRUE(Install(directory));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes,
            UninstallCommandSz(directory));
}

TEST_F(InstallRegister, CurrentUserFallsBackToItsOwnUninstallEntry) {
  RefuseMachineUninstallEntry();
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "UninstallString").bytes,
            UninstallCommandSz(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallRegister, AllUsersWithoutTheMachineUninstallEntryFails) {
  RefuseMachineUninstallEntry();
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir(), "Tidemoor", true, true));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgRegistryWriteFailed));
  ExpectFailurePage();
  // What came before stays: files, links, the settings.
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir").bytes, Sz(InstallDir()));
  EXPECT_TRUE(FileExists(CommonDesktop() + "\\Tidemoor.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

TEST_F(InstallRegister, UninstallCommandTooLongForItsBufferIsRefusedNotCut) {
  // Short names throughout, so that only the uninstall command overflows.
  archive::ArchiveDescription release = SmallRelease();
  release.directories.clear();
  release.files = {TextFile("c.exe", "client"), TextFile("r.txt", "readme")};
  release.readmes = {archive::WriterReadme{"r.txt", "r.lnk"},
                     archive::WriterReadme{"r.txt", "r.lnk"}};
  release.programFile = "c.exe";
  release.shortcuts = {{"c.exe", kMsgLinkGame}};
  Open(release);
  std::string directory = root_ + "\\";
  directory += std::string(242 - directory.size(), 'd');
  ASSERT_EQ(directory.size(), 242u);
  EXPECT_FALSE(Install(directory));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgRegistryWriteFailed));
  ExpectFailurePage();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(directory));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

TEST_F(InstallRegister, UpdateLeavesTheRegistryAlone) {
  SetString(HKEY_CURRENT_USER, kProductKey, "InstallDir", "C:\\Somewhere");
  Open(SmallRelease(SetupKind::Update));
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz("C:\\Somewhere"));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "Language").status, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

TEST_F(InstallRegister, ProbeLeavesAnExistingTestKeyWithItsValues) {
  SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Owner", "someone else");
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", true, true));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
}

TEST_F(InstallRegister, CurrentUserInstallationLeavesTheTestKeyAlone) {
  SetString(HKEY_LOCAL_MACHINE, kProbeKey, "Owner", "someone else");
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir()));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProbeKey, "Owner").bytes, Sz("someone else"));
}

}  // namespace
}  // namespace setup_test
