// Setup.exe run by an administrator's script or a package manager: no window, the log
// and the exit code instead (which code for which refusal: setup_core_test).
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>

#include "journey.h"
#include "s_folder_rights_win.h"

namespace e2e {
namespace {

using Shown = std::vector<std::string>;

// `line` in the log, or with `start` a line that starts with it.
bool Logged(const SetupRun& run, const std::string& line, bool start = false) {
  const std::vector<std::string> log = run.LogTexts();
  return std::any_of(log.begin(), log.end(), [&](const std::string& logged) {
    return start ? logged.starts_with(line) : logged == line;
  });
}

void ExpectSettings(HKEY root, const std::string& directory, DWORD language) {
  const std::tuple<const char*, DWORD, std::string> values[] = {
      {"InstallDir", REG_SZ, Sz(directory)},
      {"Language", REG_DWORD, Dword(language)},
      {"StartMenuGroup", REG_SZ, Sz("Tidemoor")}};
  for (const auto& [name, type, bytes] : values) {
    const RegValue value = ReadValue(root, kProductKey, name);
    EXPECT_EQ(std::pair(value.type, value.bytes), std::pair(type, bytes)) << name;
  }
}

// The entry as Apps & features and package managers read it.
void ExpectUninstallEntry(const std::string& directory, const std::string& version) {
  const std::string uninstaller = "\"" + directory + "\\uninstall.exe\"";
  const std::pair<const char*, std::string> values[] = {
      {"DisplayName", "Tidemoor"},           {"DisplayVersion", version},
      {"Publisher", "Tidemoor Demo Studio"}, {"URLInfoAbout", "https://tidemoor.example/"},
      {"UninstallString", uninstaller},      {"QuietUninstallString", uninstaller + " /S"},
      {"InstallLocation", directory}};
  for (const auto& [name, text] : values) {
    const RegValue value = ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    EXPECT_EQ(std::pair(value.type, value.bytes), std::pair(DWORD{REG_SZ}, Sz(text))) << name;
  }
}

TEST(Silent, ForTheCurrentUserThenTheUpdateOverItWithProgress) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor Silent CU";
  SetupRun full(TDM_DEMO_FULL_SETUP);
  Shown shown;
  EXPECT_EQ(full.RunToEnd("/S /LOG /D=" + directory, shown), 0u);
  EXPECT_EQ(shown, Shown{});
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  ExpectSettings(HKEY_CURRENT_USER, directory, UserLanguage());
  ExpectUninstallEntry(directory, "0.807.3");
  ExpectLink(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Tidemoor.lnk", "updater.exe", directory);
  ExpectGroup(ShellFolder(CSIDL_PROGRAMS) + "\\Tidemoor", directory);
  EXPECT_TRUE(Logged(full, "terms of use accepted by the command line"));

  // The preparation window and the progress page, nothing else; the registered scope
  // wins over the command line's, and the entry shows the new version.
  SetupRun update(TDM_DEMO_UPDATE_SETUP);
  EXPECT_EQ(update.RunToEnd("/SILENT /ALLUSERS /LOG", shown), 0u);
  for (const std::string& window : shown)
    EXPECT_TRUE(window.ends_with("FSplash") || window.ends_with("FSetup") ||
                window.ends_with("TdmApplication #0"))
        << window;
  EXPECT_NE(std::find(shown.begin(), shown.end(), "visible: FSetup"), shown.end());
  ExpectPayload(directory, TDM_DEMO_UPDATE_PAYLOAD);
  ExpectUninstallEntry(directory, "0.807.4");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_TRUE(Logged(update, "the update keeps the registered scope: /ALLUSERS ignored"));
}

TEST(Silent, ForAllUsersInGermanWithoutDesktopIcon) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor Silent AU";
  const std::string desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Tidemoor.lnk";
  DeleteFileA(desktop.c_str());
  SetupRun full(TDM_DEMO_FULL_SETUP);
  Shown shown;
  EXPECT_EQ(full.RunToEnd(
                "/verysilent /ALLUSERS /LANG=de /NODESKTOPICON /DIR=\"" + directory + "\"", shown),
            0u);
  EXPECT_EQ(shown, Shown{});
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  ExpectSettings(HKEY_LOCAL_MACHINE, directory, 0);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  ExpectUninstallEntry(directory, "0.807.3");
  EXPECT_FALSE(driver::FileExists(desktop));
  ExpectGroup(ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tidemoor", directory, 0);
}

TEST(Silent, MalformedLineAndUpdateOverAnotherClientVersionEndWithTheirCodes) {
  const CleanRegistry clean;
  archive::ArchiveDescription release = TestRelease(archive::SetupKind::Update);
  release.requiredVersionLS = 2;
  SetupRun run(AllPresent(WriteSegments(release)));
  RegisterEarlier(run.Folder().PathOf("Tidemoor"), 1, driver::WinePath(TDM_DEMO_CLIENT));
  Shown shown;
  EXPECT_EQ(run.RunToEnd("/S /LOG /BOGUS", shown), 1639u);  // refused before it looks
  EXPECT_TRUE(Logged(run, "malformed switch /BOGUS (exit code 1639)"));
  EXPECT_EQ(run.RunToEnd("/S /LOG", shown), 1642u);
  EXPECT_EQ(shown, Shown{});
  EXPECT_TRUE(Logged(run,
                     "Wrong client version: This update can only be installed on client version "
                     "0.807. (exit code 1642)"));
}

// Another program of the product is changing the folder (its lock's file is open without
// sharing): a silent Setup into it ends with 1618 and writes nothing there; a Setup into
// another folder never waits for that lock.
TEST(Silent, ASetupIntoALockedFolderEndsWith1618) {
  const CleanRegistry clean;
  SetupRun run(AllPresent(WriteSegments(TestRelease())));
  const std::string locked = run.Folder().PathOf("Locked");
  ASSERT_TRUE(CreateDirectoryA(locked.c_str(), nullptr));
  const HANDLE lock = CreateFileA((locked + "\\product.lock").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Shown shown;
  EXPECT_EQ(run.RunToEnd("/S /LOG /D=" + locked, shown), 1618u);
  EXPECT_EQ(shown, Shown{});
  EXPECT_TRUE(Logged(run, "another program of the product holds its lock (exit code 1618)"));
  EXPECT_FALSE(FileExists(locked + "\\TDMClient.exe"));
  EXPECT_EQ(run.RunToEnd("/S /LOG /D=" + run.Folder().PathOf("Free"), shown), 0u);
  CloseHandle(lock);
}

// For all users, into a folder every account may change (C:\\Open, Everyone full
// control): refused before anything is written, with exit code 5 and the folder named.
TEST(Silent, ForAllUsersNeverBelowAFolderOthersMayChange) {
  const CleanRegistry clean;
  ASSERT_TRUE(CreateDirectoryA("C:\\Open", nullptr));
  OpenToEveryone("C:\\Open");
  SetupRun run(TDM_DEMO_FULL_SETUP);
  Shown shown;
  EXPECT_EQ(run.RunToEnd("/S /LOG /ALLUSERS /D=C:\\Open\\Tidemoor", shown), 5u);
  EXPECT_TRUE(Logged(run, "others may change C:\\Open (2): ", true));
  EXPECT_EQ(GetFileAttributesA("C:\\Open\\Tidemoor"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

// All-users installations from before their folders were protected, every account since
// let in: the update protects the levels Setup made and goes on; over a folder that was
// there before Setup it ends with 5 and changes nothing.
TEST(Silent, AnUpdateProtectsOnlyTheFoldersSetupMade) {
  const CleanRegistry clean;
  const std::string made = "C:\\Guarded\\Tidemoor";
  Shown shown;
  SetupRun full(TDM_DEMO_FULL_SETUP), update(TDM_DEMO_UPDATE_SETUP);
  ASSERT_EQ(full.RunToEnd("/S /ALLUSERS /D=" + made, shown), 0u);
  OpenToEveryone("C:\\Guarded");
  OpenToEveryone(made);
  ASSERT_FALSE(folder_rights::CheckFolders(made, true).safe);
  EXPECT_EQ(update.RunToEnd("/S /LOG", shown), 0u);
  EXPECT_TRUE(folder_rights::CheckFolders(made, true).safe);
  ExpectPayload(made, TDM_DEMO_UPDATE_PAYLOAD);

  CleanRegistry::Clear();
  const std::string existed = "C:\\Existed";
  ASSERT_TRUE(CreateDirectoryA(existed.c_str(), nullptr));
  ASSERT_EQ(full.RunToEnd("/S /ALLUSERS /D=" + existed, shown), 0u);
  OpenToEveryone(existed);
  EXPECT_EQ(update.RunToEnd("/S /LOG", shown), 5u);
  EXPECT_TRUE(Logged(update, "C:\\Existed is not the installation's to protect"));
  ExpectPayload(existed, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_FALSE(folder_rights::CheckFolders(existed, true).safe);
}

}  // namespace
}  // namespace e2e
