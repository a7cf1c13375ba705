// The shortcut stage: where the links go, what they start, and the failures that end
// the installation. Every link is read back through the shell's link object.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "install_test_support.h"
#include "message_box_recorder.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using archive::SetupKind;

constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class InstallShortcuts : public InstallTest {
 protected:
  void TearDown() override {
    if (!savedUserDesktop_.empty())
      SetString(HKEY_CURRENT_USER, kUserShellFolders, "Desktop", savedUserDesktop_);
    if (!savedUserPrograms_.empty())
      SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs", savedUserPrograms_);
    InstallTest::TearDown();
  }

  void ExpectLink(const std::string& link, const std::string& target) {
    const std::optional<LinkInfo> info = ReadLink(link);
    ASSERT_TRUE(info.has_value()) << link;
    EXPECT_EQ(info->target, target) << link;
    EXPECT_EQ(info->workingDirectory, InstallDir()) << link;
    EXPECT_EQ(info->showCommand, SW_SHOWNORMAL) << link;
    EXPECT_EQ(info->arguments, "") << link;
  }

  std::vector<std::string> GroupLinkNames() const {
    std::vector<std::string> names = {Text(kMsgLinkUninstall), Text(kMsgLinkGame),
                                      Text(kMsgLinkSetup), "Important information.lnk"};
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectGroupLinks(const std::string& group) {
    EXPECT_EQ(FilesIn(group), GroupLinkNames());
    ExpectLink(group + "\\" + Text(kMsgLinkUninstall), InstallDir() + "\\uninstall.exe");
    ExpectLink(group + "\\" + Text(kMsgLinkGame), InstallDir() + "\\TDMClient.exe");
    ExpectLink(group + "\\" + Text(kMsgLinkSetup), InstallDir() + "\\TDMOptions.exe");
    ExpectLink(group + "\\Important information.lnk", InstallDir() + "\\readme.txt");
  }

  std::string savedUserDesktop_;
  std::string savedUserPrograms_;
};

TEST_F(InstallShortcuts, CurrentUserGetsDesktopIconAndGroupInItsOwnFolders) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", false, true));
  ExpectSuccessPage();
  EXPECT_EQ(FilesIn(Desktop()), std::vector<std::string>{"Tidemoor.lnk"});
  ExpectLink(Desktop() + "\\Tidemoor.lnk", InstallDir() + "\\TDMClient.exe");
  ExpectGroupLinks(Programs() + "\\Tidemoor");
  EXPECT_TRUE(FilesIn(CommonDesktop()).empty());
  EXPECT_TRUE(FilesIn(CommonPrograms()).empty());
}

TEST_F(InstallShortcuts, AllUsersGetTheCommonFolders) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", true, true));
  ExpectSuccessPage();
  ExpectLink(CommonDesktop() + "\\Tidemoor.lnk", InstallDir() + "\\TDMClient.exe");
  ExpectGroupLinks(CommonPrograms() + "\\Tidemoor");
  EXPECT_TRUE(FilesIn(Desktop()).empty());
  EXPECT_TRUE(FilesIn(Programs()).empty());
}

TEST_F(InstallShortcuts, GermanLinkNamesComeFromTheCatalogue) {
  CLang::SetLanguage(kLanguageGerman);
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir()));
  const std::string group = Programs() + "\\Tidemoor";
  ExpectLink(group + "\\" + Text(kMsgLinkGame), InstallDir() + "\\TDMClient.exe");
  ExpectLink(group + "\\Wichtige Informationen.lnk", InstallDir() + "\\liesmich.txt");
}

TEST_F(InstallShortcuts, WithoutDesktopIconTheGroupLinksAreStillRight) {
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", false, false));
  ExpectSuccessPage();
  EXPECT_TRUE(FilesIn(Desktop()).empty());
  ExpectGroupLinks(Programs() + "\\Tidemoor");
}

TEST_F(InstallShortcuts, EmptyShortcutTableGivesOnlyTheReadmeLink) {
  archive::ArchiveDescription release = SmallRelease();
  release.shortcuts.clear();
  Open(release);
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();
  EXPECT_EQ(FilesIn(Programs() + "\\Tidemoor"),
            std::vector<std::string>{"Important information.lnk"});
}

TEST_F(InstallShortcuts, ExistingGroupFolderIsUsedAsItIs) {
  std::filesystem::create_directories(Programs() + "\\Tidemoor");
  WriteBytes(Programs() + "\\Tidemoor\\notes.txt", "mine");
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();
  EXPECT_EQ(ReadBytes(Programs() + "\\Tidemoor\\notes.txt"), "mine");
  ExpectLink(Programs() + "\\Tidemoor\\" + Text(kMsgLinkGame), InstallDir() + "\\TDMClient.exe");
}

TEST_F(InstallShortcuts, PlainFileOfTheGroupsNameFails) {
  WriteBytes(Programs() + "\\Tidemoor", "a file");
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateDirectoryFailed));
  ExpectFailurePage();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallShortcuts, AllUsersWithoutCommonProgramsUseTheUsersProgramsFolder) {
  DeleteValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs");
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir(), "Tidemoor", true, true));
  ExpectSuccessPage();
  ExpectLink(CommonDesktop() + "\\Tidemoor.lnk", InstallDir() + "\\TDMClient.exe");
  ExpectGroupLinks(Programs() + "\\Tidemoor");
  EXPECT_TRUE(FilesIn(CommonPrograms()).empty());
}

TEST_F(InstallShortcuts, UnreadableDesktopValueIsAskedOfTheShell) {
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  char shellDesktop[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr,
                                         SHGFP_TYPE_CURRENT, shellDesktop)));
  const std::string link = std::string(shellDesktop) + "\\Tidemoor.lnk";
  DeleteFileA(link.c_str());
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  Open(SmallRelease());
  ASSERT_TRUE(Install(InstallDir()));
  ExpectSuccessPage();
  ExpectLink(link, InstallDir() + "\\TDMClient.exe");
  DeleteFileA(link.c_str());
}

TEST_F(InstallShortcuts, UnknownDesktopFolderMakesNoLinkInTheDriveRoot) {
  // Neither the published value nor the shell can name the desktop: the shell's own
  // setting points below a plain file.
  RegValue saved = ReadValue(HKEY_CURRENT_USER, kUserShellFolders, "Desktop");
  savedUserDesktop_ =
      saved.status == ERROR_SUCCESS ? saved.bytes.c_str() : "%USERPROFILE%\\Desktop";
  WriteBytes(root_ + "\\blocker", "a file");
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Desktop", root_ + "\\blocker\\Desktop");
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  char probe[MAX_PATH] = {};
  if (SUCCEEDED(
          SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, probe)))
    GTEST_SKIP() << "the shell still names a desktop: " << probe;
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");

  // The current drive is the prefix's own C:, not the host's root behind Z:.
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(root_.c_str());
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir()));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateLinkFailed));
  ExpectFailurePage();
  EXPECT_FALSE(FileExists("\\Tidemoor.lnk"));
  EXPECT_FALSE(FileExists("C:\\Tidemoor.lnk"));
  SetCurrentDirectoryA(previous);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(InstallShortcuts, LinkPathTooLongForItsBufferIsRefusedNotCut) {
  Open(SmallRelease());
  // The group folder itself can be made; a link in it does not fit 255 characters.
  const std::string group(240 - Programs().size() - 1, 'g');
  EXPECT_FALSE(Install(InstallDir(), group));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateLinkFailed));
  ExpectFailurePage();
  ASSERT_TRUE(IsDirectory(Programs() + "\\" + group));
  const std::vector<std::string> whole = GroupLinkNames();
  for (const std::string& name : FilesIn(Programs() + "\\" + group))
    EXPECT_NE(std::find(whole.begin(), whole.end(), name), whole.end()) << "cut name " << name;
  EXPECT_FALSE(FileExists(Programs() + "\\" + group + "\\Important information.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
}

TEST_F(InstallShortcuts, ShellProgramsFolderTooLongForItsFieldIsRefused) {
  // 257 characters: the shell can name it, the 256-byte field cannot hold it.
  const RegValue saved = ReadValue(HKEY_CURRENT_USER, kUserShellFolders, "Programs");
  savedUserPrograms_ = saved.status == ERROR_SUCCESS
                           ? saved.bytes.c_str()
                           : "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs";
  const std::string programs = root_ + "\\" + std::string(256 - root_.size(), 'p');
  ASSERT_TRUE(CreateDirectoryA(programs.c_str(), nullptr));
  SetString(HKEY_CURRENT_USER, kUserShellFolders, "Programs", programs);
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
  char shell[MAX_PATH] = {};
  ASSERT_TRUE(
      SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, shell)));
  ASSERT_EQ(std::string(shell), programs);
  DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir(), "Tidemoor", false, false));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCreateLinkFailed));
  ExpectFailurePage();
}

#ifdef TDM_LINK_EXPORT_DIR
// Leaves the links of a current-user installation in a folder of the build tree,
// where a reader outside Wine checks them afterwards.
TEST_F(InstallShortcuts, ExportLinksForTheOutsideReader) {
  const std::string exported = WinePathOf(TDM_LINK_EXPORT_DIR);
  RemoveTree(exported);
  std::filesystem::create_directories(exported + "\\desktop");
  std::filesystem::create_directories(exported + "\\programs");
  SetString(HKEY_CURRENT_USER, kShellFolders, "Desktop", exported + "\\desktop");
  SetString(HKEY_CURRENT_USER, kShellFolders, "Programs", exported + "\\programs");
  Open(SmallRelease());
  ASSERT_TRUE(Install("C:\\Games\\Tidemoor"));
  ExpectSuccessPage();
  WriteBytes(exported + "\\install_dir.txt", "C:\\Games\\Tidemoor");
}
#endif

}  // namespace
}  // namespace setup_test
