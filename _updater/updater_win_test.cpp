// The updater's Windows halves against Wine's registry and file system: the
// installation found as Setup registered it, and the player's own settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "installation_win.h"
#include "s_registry_win.h"
#include "user_settings_win.h"

namespace {

constexpr char kProductKey[] = "Software\\Tidemoor";

void SetString(HKEY root, const char* name, const std::string& value) {
  ASSERT_EQ(RegSetKeyValueA(root, kProductKey, name, REG_SZ, value.c_str(),
                            static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

void SetLanguage(HKEY root, DWORD language) {
  ASSERT_EQ(RegSetKeyValueA(root, kProductKey, "Language", REG_DWORD, &language, sizeof language),
            ERROR_SUCCESS);
}

class Lookup : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
    CReg::FreeInstance();
  }
};

TEST_F(Lookup, TheCurrentUsersInstallationBeforeTheMachines) {
  updater::Installation found;
  EXPECT_FALSE(updater::FindInstallation(found));

  const std::string machine = "C:\\tdm-lookup\\machine";
  CreateDirectoryA("C:\\tdm-lookup", nullptr);
  CreateDirectoryA(machine.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA("Z:" TDM_DEMO_CLIENT, (machine + "\\TDMClient.exe").c_str(), FALSE));
  SetString(HKEY_LOCAL_MACHINE, "InstallDir", machine + "\\\\");
  SetString(HKEY_LOCAL_MACHINE, "StartMenuGroup", "Games\\Tidemoor");
  SetLanguage(HKEY_LOCAL_MACHINE, 0);
  ASSERT_TRUE(updater::FindInstallation(found));
  EXPECT_EQ(found.directory, machine);  // trailing backslashes dropped
  EXPECT_TRUE(found.allUsers);
  EXPECT_EQ(found.language, 0u);
  EXPECT_EQ(found.startMenuGroup, "Games\\Tidemoor");
  EXPECT_TRUE(found.versionKnown);
  EXPECT_EQ(found.version, (feed::Version{807, 3}));

  // A current user's registration wins; a missing client leaves the version unknown.
  SetString(HKEY_CURRENT_USER, "InstallDir", "C:\\tdm-lookup\\user");
  SetLanguage(HKEY_CURRENT_USER, 1);
  ASSERT_TRUE(updater::FindInstallation(found));
  EXPECT_EQ(found.directory, "C:\\tdm-lookup\\user");
  EXPECT_FALSE(found.allUsers);
  EXPECT_EQ(found.language, 1u);
  EXPECT_EQ(found.startMenuGroup, "Games\\Tidemoor");
  EXPECT_FALSE(found.versionKnown);
  DeleteFileA((machine + "\\TDMClient.exe").c_str());
  RemoveDirectoryA(machine.c_str());
  RemoveDirectoryA("C:\\tdm-lookup");
}

TEST(Settings, KeptUnderThePlayersOwnKey) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tidemoor\\Updater");
  EXPECT_FALSE(updater::CheckAutomatically());
  EXPECT_EQ(updater::HighestSerial(), 0u);
  updater::SetCheckAutomatically(true);
  updater::SetHighestSerial(0x123456789ull);
  EXPECT_TRUE(updater::CheckAutomatically());
  EXPECT_EQ(updater::HighestSerial(), 0x123456789ull);
  DWORD value = 7, size = sizeof value;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Tidemoor\\Updater", "CheckAutomatically",
                         RRF_RT_REG_DWORD, nullptr, &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  updater::SetCheckAutomatically(false);
  EXPECT_FALSE(updater::CheckAutomatically());
  // No feed is carried by a program mksetup has not stamped.
  std::string url;
  feed::PublicKey key{};
  EXPECT_FALSE(updater::LoadFeedResources(url, key));
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tidemoor\\Updater");
}

}  // namespace
