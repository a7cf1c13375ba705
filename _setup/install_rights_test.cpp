// The installation by a user who may not write under HKEY_LOCAL_MACHINE (linked with
// the registry calls that refuse it): the all-users probe stops before anything is
// written, a current-user installation keeps everything under its own root.
#include <gtest/gtest.h>

#include <filesystem>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using archive::SetupKind;

constexpr char kUserUninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class InstallWithoutMachineRights : public InstallTest {
 protected:
  void TearDown() override {
    if (volatileUninstall_) DeleteTree(HKEY_CURRENT_USER, kUserUninstallParent);
    InstallTest::TearDown();
  }
  bool volatileUninstall_ = false;
};

TEST_F(InstallWithoutMachineRights, AllUsersStopsAtTheProbeBeforeAnythingIsWritten) {
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir(), "Tidemoor", true, true));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgNeedAllUsersRights));
  ExpectFailurePage();
  EXPECT_FALSE(IsDirectory(InstallDir()));
  EXPECT_FALSE(IsDirectory(root_ + "\\Games"));
  EXPECT_TRUE(FilesIn(CommonDesktop()).empty());
  EXPECT_TRUE(FilesIn(CommonPrograms()).empty());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(InstallWithoutMachineRights, UpdateRegisteredForAllUsersStopsAtTheProbeToo) {
  std::filesystem::create_directories(InstallDir());
  WriteBytes(InstallDir() + "\\readme.txt", "installed readme");
  Open(SmallRelease(SetupKind::Update));
  EXPECT_FALSE(Install(InstallDir(), "Tidemoor", true, false));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgNeedAllUsersRights));
  ExpectFailurePage();
  EXPECT_EQ(ReadBytes(InstallDir() + "\\readme.txt"), "installed readme");
  EXPECT_FALSE(IsDirectory(InstallDir() + "\\data"));
}

TEST_F(InstallWithoutMachineRights, CurrentUserNeedsNoProbeAndKeepsItsUninstallEntry) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", false, true));
  ExpectSuccessPage();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(InstallDir()));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "UninstallString").bytes,
            UninstallCommandSz(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_F(InstallWithoutMachineRights, FailedUninstallEntryEndsTheInstallation) {
  // A volatile parent refuses every lasting key below it.
  volatileUninstall_ = true;
  DeleteTree(HKEY_CURRENT_USER, kUserUninstallParent);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserUninstallParent, 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgRegistryWriteFailed));
  ExpectFailurePage();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(InstallDir()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

}  // namespace
}  // namespace setup_test
