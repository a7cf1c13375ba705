// A user who may not write under HKEY_LOCAL_MACHINE (linked with the refusing registry
// calls): the all-users probe stops before anything is written; a current-user
// installation needs no probe and keeps everything under its own root.
#include <filesystem>
#include <fstream>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using InstallWithoutMachineRights = InstallTest;

TEST_F(InstallWithoutMachineRights, AllUsersStopsAtTheProbeForAFullAndAnUpdate) {
  for (archive::SetupKind kind : {archive::SetupKind::Full, archive::SetupKind::Update}) {
    std::filesystem::create_directories(Dir());
    std::ofstream(Dir() + "\\installed.txt") << "installed";
    Open(TestRelease(kind));
    EXPECT_FALSE(Install(Dir(), "Tidemoor", true, true));
    EXPECT_EQ(OnlyBoxText(), Text(kMsgNeedAllUsersRights));
    EXPECT_EQ(FilesIn(Dir()), std::vector<std::string>{"installed.txt"});
    EXPECT_TRUE(FilesIn(Folder("common-desktop")).empty() &&
                FilesIn(Folder("common-programs")).empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey) ||
                 KeyExists(HKEY_CURRENT_USER, kProductKey));
    TearDown();
    SetUp();
  }
}

TEST_F(InstallWithoutMachineRights, CurrentUserNeedsNoProbeThenARefusedOwnUninstallEntryEnds) {
  for (bool refused : {false, true}) {
    if (refused) RefuseUninstallEntry(HKEY_CURRENT_USER);
    Open(TestRelease());
    EXPECT_EQ(Install(Dir()), !refused);
    EXPECT_EQ(refused ? OnlyBoxText() : "", refused ? Text(kMsgRegistryWriteFailed) : "");
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(Dir()));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kUninstallKey, "UninstallString").bytes,
              refused ? "" : Sz("\"" + Dir() + "\\uninstall.exe\""));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) ||
                 KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace setup_test
