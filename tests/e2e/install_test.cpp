// The demo release installed for the current user, the demo update over it, and for all
// users: what the user sees, what lands on disk, in the registry and the shortcut
// folders; the readme. The values' types and every link's details: install_engine_test.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <filesystem>

#include "journey.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// Waits until every running editor stand-in has ended.
void WaitForEditors() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_stricmp(entry.szExeFile, "notepad.exe") != 0) continue;
    if (const HANDLE editor = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      WaitForSingleObject(editor, 15000);
      CloseHandle(editor);
    }
  }
  CloseHandle(snapshot);
}

void ExpectPayload(const std::string& directory, const char* payload) {
  const fs::path root = driver::WinePath(payload);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string installed = directory + "\\" + fs::relative(entry.path(), root).string();
    EXPECT_EQ(ReadContents(installed), ReadContents(entry.path().string())) << installed;
    EXPECT_EQ(fs::last_write_time(installed), fs::last_write_time(entry.path())) << installed;
  }
}

void ExpectLink(const std::string& link, const std::string& target, const std::string& directory) {
  const auto info = ReadLink(link);
  ASSERT_TRUE(info.has_value()) << link;
  EXPECT_EQ(info->target, directory + "\\" + target) << link;
  EXPECT_EQ(info->workingDirectory, directory) << link;
}

void ExpectGroup(const std::string& group, const std::string& directory) {
  const bool german = UserLanguage() == 0;
  ExpectLink(group + "\\" + Text(kMsgLinkGame), "TDMClient.exe", directory);
  ExpectLink(group + (german ? "\\Wichtige Informationen.lnk" : "\\Important information.lnk"),
             german ? "liesmich.txt" : "readme.txt", directory);
}

// Finishes on the success page; with the box ticked the editor gets the readme.
void Finish(SetupRun& run, const Window& wizard, bool readme, const std::string& directory) {
  ASSERT_TRUE(wizard.Child("TabSheet4").IsVisible());
  wizard.Child("CheckBox4").SetChecked(readme);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
  // Setup.exe started the editor, if at all, before it ended.
  const std::string args = run.Folder().PathOf("notepad-args.txt");
  if (readme) driver::WaitUntil([&] { return driver::FileExists(args); }, "the editor's work");
  WaitForEditors();
  EXPECT_EQ(ReadContents(args),
            readme ? std::optional<std::string>(
                         directory + (UserLanguage() == 0 ? "\\liesmich.txt\n" : "\\readme.txt\n"))
                   : std::nullopt);
}

TEST(Install, ForTheCurrentUserThenTheUpdateOverIt) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor CU";
  SetupRun full(TDM_DEMO_FULL_SETUP);
  Window wizard = full.Start();
  // One task-bar entry, the application's, which owns the wizard.
  const std::vector<Window> entries = full.App().TaskBarEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Text(), "Setup");
  EXPECT_EQ(wizard.Owner().Handle(), entries[0].Handle());
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), static_cast<int>(UserLanguage()));
  EXPECT_EQ(wizard.Child("Label3").Text(), Text(kMsgChooseLanguage));
  full.WalkToSettings(wizard);
  const auto programFiles = ReadValue(
      HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  EXPECT_EQ(wizard.Child("Edit1").Text(), programFiles.bytes.c_str() + std::string("\\Tidemoor"));
  wizard.Child("Edit1").Type(directory);
  EXPECT_TRUE(wizard.Child("radio_current_user").IsChecked());
  EXPECT_TRUE(wizard.Child("CheckBox3").IsChecked());
  ASSERT_EQ(full.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(directory));
  const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Tidemoor.lnk";
  ExpectLink(desktop, "TDMClient.exe", directory);
  ExpectGroup(ShellFolder(CSIDL_PROGRAMS) + "\\Tidemoor", directory);
  Finish(full, wizard, true, directory);

  // The update adopts the directory, replaces files, deletes the obsolete one, makes
  // no desktop icon.
  ASSERT_TRUE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  DeleteFileA(desktop.c_str());
  SetupRun update(TDM_DEMO_UPDATE_SETUP);
  wizard = update.Start();
  update.WalkToSettings(wizard);
  EXPECT_EQ(wizard.Child("Edit1").Text(), directory);
  // Another directory than the registered one, be it only by a trailing backslash, is
  // refused on the spot.
  wizard.Child("Edit1").Type(directory + "\\");
  wizard.Child("Button1").Click();
  const driver::MessageBoxWindow refusal = update.App().WaitForMessageBox();
  EXPECT_EQ(refusal.Caption(), Text(kMsgError));
  EXPECT_EQ(refusal.Text(), Text(kMsgAlreadyInstalled));
  refusal.Press();
  EXPECT_TRUE(wizard.Child("TabSheet2").IsVisible());
  wizard.Child("Edit1").Type(directory);
  ASSERT_EQ(update.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_UPDATE_PAYLOAD);
  EXPECT_FALSE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  EXPECT_FALSE(driver::FileExists(desktop));
  Finish(update, wizard, false, directory);
}

TEST(Install, ForAllUsersWithoutDesktopIcon) {
  const CleanRegistry clean;
  const std::string directory = "C:\\Games\\Tidemoor AU";
  SetupRun full(TDM_DEMO_FULL_SETUP);
  const Window wizard = full.Start();
  full.WalkToSettings(wizard);
  EXPECT_EQ(wizard.Child("Label4").Text(), Text(kMsgInstallDirectory));
  wizard.Child("Edit1").Type(directory);
  wizard.Child("radio_all_users").SetChecked(true);
  wizard.Child("CheckBox3").SetChecked(false);
  ASSERT_EQ(full.Install(wizard), "");
  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir").bytes, Sz(directory));
  EXPECT_FALSE(driver::FileExists(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Tidemoor.lnk"));
  ExpectGroup(ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tidemoor", directory);
  Finish(full, wizard, false, directory);
}

}  // namespace
}  // namespace e2e
