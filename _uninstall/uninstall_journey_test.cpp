// The uninstaller as players meet it: the demo installed through the wizard, then
// removed by the registered command, silently or through its window.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <shlobj.h>

#include <fstream>
#include <optional>
#include <set>

#include "journey.h"
#include "s_lang.h"
#include "s_product_lock_win.h"

namespace {

using Snapshot = std::set<std::string>;
constexpr driver::Milliseconds kLong{120000};
constexpr const char* kEntry = e2e::kUninstallKey;

// Files and folders, without Windows' own and the temporary folders; with their bytes.
void AddTree(const std::string& dir, Snapshot& out, std::uint64_t* bytes = nullptr) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found)) {
    const std::string name = found.cFileName, path = dir + "\\" + name;
    if (name == "." || name == ".." || !_stricmp(name.c_str(), "windows") ||
        !_stricmp(name.c_str(), "temp"))
      continue;
    out.insert(path);
    if (bytes != nullptr) *bytes += found.nFileSizeLow;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) AddTree(path, out, bytes);
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

void AddKey(HKEY root, const std::string& path, Snapshot& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char name[512], data[4096];
  DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
  for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type, (BYTE*)data,
                                  &dataSize) == ERROR_SUCCESS;
       ++i, nameSize = sizeof name, dataSize = sizeof data)
    out.insert(path + "\\" + name + "=" + std::to_string(type) + ":" + std::string(data, dataSize));
  for (DWORD i = 0; nameSize = sizeof name,
             RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) == 0;
       ++i)
    if (_stricmp(name, "Wine") != 0) AddKey(root, path + "\\" + name, out);
  RegCloseKey(key);
}

Snapshot Prefix() {
  Snapshot snapshot;
  AddTree("C:", snapshot);
  AddKey(HKEY_CURRENT_USER, "Software", snapshot);
  AddKey(HKEY_LOCAL_MACHINE, "Software", snapshot);
  return snapshot;
}

// Value as text (a number in decimal) from the machine's key, else the user's.
std::string Value(const char* key, const char* name) {
  char data[MAX_PATH] = {};
  DWORD size = sizeof data, type = 0;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    if (RegGetValueA(root, key, name, RRF_RT_ANY, &type, data, &size) == ERROR_SUCCESS)
      return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : data;
  return {};
}

// Through the wizard, the readme left unopened.
void Install(const char* setup, const std::string& dir, bool allUsers = false,
             const std::string& group = "") {
  e2e::SetupRun run(setup);
  const driver::Window wizard = run.Start("");
  run.WalkToSettings(wizard);
  if (wizard.Child("Edit1").Text() != dir) wizard.Child("Edit1").Type(dir);
  if (!group.empty()) wizard.Child("Edit2").Type(group);
  if (allUsers) wizard.Child("radio_all_users").SetChecked(true);
  ASSERT_EQ(run.Install(wizard), "");
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(run.App().WaitForExit(), 0u);
}

DWORD Uninstall(const char* arguments = " /S") {
  return driver::Process::Start(Value(kEntry, "UninstallString") + arguments).WaitForExit(kLong);
}

// After /S the original's own file, and then the folders the installation made, go a
// moment later, once it has ended.
void WaitGone(const std::string& path) {
  driver::WaitUntil([&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; },
                    "the finisher to remove " + path);
}

void WriteSavegame(const std::string& dir) {
  CreateDirectoryA((dir + "\\savegames").c_str(), nullptr);
  std::ofstream(dir + "\\savegames\\slot1.sav") << "the player's own";
}

class SilentUninstall : public ::testing::TestWithParam<bool> {};

// Full, update, a savegame, a file held open by the game; then the registered command.
TEST_P(SilentUninstall, LeavesThePrefixAsBeforeButTheSavegame) {
  const std::string dir = GetParam() ? "C:\\Tidemoor AU" : "C:\\Tidemoor CU",
                    held = dir + "\\data\\maps\\harbour.map";
  e2e::CleanRegistry::Clear();
  // The game's own options, under the product key: they stay without "everything".
  const HKEY root = GetParam() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  ASSERT_EQ(RegSetKeyValueA(root, "Software\\Tidemoor\\Options", "Volume", REG_SZ, "7", 2), 0);
  Snapshot expected = Prefix(), files;
  Install(TDM_DEMO_FULL_SETUP, dir, GetParam());
  std::uint64_t bytes = 0;
  AddTree(dir, files, &bytes);
  // The size is the archive's files; the record of what Setup made is Setup's own.
  WIN32_FILE_ATTRIBUTE_DATA record{};
  ASSERT_TRUE(GetFileAttributesExA((dir + "\\uninstall\\created.lst").c_str(),
                                   GetFileExInfoStandard, &record));
  bytes -= record.nFileSizeLow;
  EXPECT_EQ(Value(kEntry, "EstimatedSize"), std::to_string((bytes + 1023) / 1024));  // KiB
  EXPECT_EQ(Value(kEntry, "InstallLocation"), dir);
  EXPECT_EQ(Value(kEntry, "DisplayIcon"), dir + "\\updater.exe");
  EXPECT_EQ(Value(kEntry, "NoModify") + Value(kEntry, "NoRepair"), "11");
  Install(TDM_DEMO_UPDATE_SETUP, dir);
  WriteSavegame(dir);
  EXPECT_EQ(Uninstall(" /S /quiet"), 4u) << "a command line not understood, and no box";
  {
    CProductLock setupRuns;  // another program of the product is changing the installation
    ASSERT_TRUE(setupRuns.TryAcquire(dir));
    EXPECT_EQ(Uninstall(), 2u);
  }
  const std::string list = dir + "\\uninstall\\0.807.3.lst";
  HANDLE file = CreateFileA(list.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Uninstall(), 1u) << "a list that cannot be read";
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe")) << "nothing removed";
  CloseHandle(file);
  file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(Uninstall(), 1u);
  EXPECT_TRUE(driver::FileExists(held) && !driver::FileExists(dir + "\\TDMClient.exe"));
  CloseHandle(file);
  // The log, in a temporary folder whose path is far longer than 115 characters.
  const std::string temp = "C:\\windows\\temp\\" + std::string(120, 't');
  ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  SetEnvironmentVariableA("TMP", temp.c_str());
  ASSERT_EQ(Uninstall(" /S -debug"), 0u) << "the entry and its command stay after a failure";
  SetEnvironmentVariableA("TMP", nullptr);
  std::ifstream log(temp + "\\uninstall.log");
  const std::string logged((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(logged.find("closing uninstall, exit code 0"), std::string::npos) << logged;
  WaitGone(dir + "\\uninstall.exe");
  for (const char* kept : {"", "\\savegames", "\\savegames\\slot1.sav"})
    expected.insert(dir + kept);
  EXPECT_THAT(Prefix(), ::testing::ContainerEq(expected));
}
INSTANTIATE_TEST_SUITE_P(BothScopes, SilentUninstall, ::testing::Bool());

// The form (not the application window of the same title) belongs to the copy in the
// temporary folder, not to the process started.
driver::Window UninstallWindow() {
  EXPECT_EQ(Uninstall(""), 0u);
  HWND found = nullptr;
  driver::WaitUntil(
      [&] { return IsWindowVisible(found = FindWindowA("TdmForm", CLang::GetText(100))); },
      "the uninstaller's window");
  return driver::Window(found);
}

TEST(Window, ConfirmCancelThenRemoveSavegamesToo) {
  const std::string dir = "C:\\Tidemoor Window";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir);
  WriteSavegame(dir);
  CLang::SetLanguage(std::stoul(Value(e2e::kProductKey, "Language")));
  auto text = [](std::uint32_t id) { return std::string(CLang::GetText(id)); };
  driver::Window form = UninstallWindow();
  EXPECT_EQ(form.Text() + form.Child("Label1").Text() + form.Child("Label2").Text() +
                form.Child("chk_confirm").Text() + form.Child("chk_savegames").Text() +
                form.Child("Label3").Text(),
            text(100) + text(101) + text(104) + text(102) + text(103) + text(105));
  EXPECT_FALSE(form.Child("chk_savegames").IsChecked() || form.Child("Button1").IsEnabled());
  form.Child("chk_confirm").SetChecked(true);
  EXPECT_TRUE(form.Child("Button1").IsEnabled());
  form.Child("Button2").Click();
  driver::WaitUntil([&] { return !form.Exists(); }, "the window closed");
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe") && Value(kEntry, "DisplayName") != "");

  ASSERT_EQ(
      RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tidemoor\\Options", "Volume", REG_SZ, "7", 2),
      0);
  form = UninstallWindow();
  form.Child("chk_confirm").SetChecked(true);
  form.Child("chk_savegames").SetChecked(true);
  form.Child("Button1").Click();
  driver::WaitUntil([&] { return form.Child("lbl_progress").Text() == text(107); }, "done", kLong);
  EXPECT_EQ(form.Child("Button1").Text(), text(13));
  form.Child("Button1").Click();
  EXPECT_FALSE(e2e::IsDirectory(dir));
  EXPECT_EQ(Value(kEntry, "DisplayName"), "");
  EXPECT_FALSE(e2e::KeyExists(HKEY_CURRENT_USER, e2e::kProductKey)) << "the options go too";
}

// The registered command under a token without the administrators' rights, as
// Apps & features starts it for an administrator who is not elevated.
DWORD UninstallRestricted(const std::string& arguments, bool wait) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  HANDLE own = nullptr, restricted = nullptr;
  SID_AND_ATTRIBUTES administrators{sid, 0};
  EXPECT_TRUE(
      CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
      OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) &&
      CreateRestrictedToken(own, 0, 1, &administrators, 0, nullptr, 0, nullptr, &restricted));
  std::string command = Value(kEntry, "UninstallString") + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  EXPECT_TRUE(CreateProcessAsUserA(restricted, nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process));
  DWORD code = STILL_ACTIVE;
  if (wait) WaitForSingleObject(process.hProcess, 60000);
  GetExitCodeProcess(process.hProcess, &code);
  for (HANDLE handle : {own, restricted, process.hThread, process.hProcess}) CloseHandle(handle);
  return code;
}

// An all-users installation: /S without the rights never asks (5); the window asks,
// by starting the original again with the "runas" verb (Wine has no prompt to show),
// but not once other accounts may change its folder. The build reading folders' lists
// as the Wine tests need stands in for the installed uninstall.exe.
TEST(Elevation, AllUsersWithoutTheRightsAsksOnlyWithAWindowFromAProtectedFolder) {
  const std::string dir = "C:\\Tidemoor Elevation";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir, true);
  ASSERT_TRUE(CopyFileA(TDM_UNINSTALL_FOLDERS_WINE, (dir + "\\uninstall.exe").c_str(), FALSE));
  CLang::SetLanguage(std::stoul(Value(e2e::kProductKey, "Language")));
  EXPECT_EQ(UninstallRestricted(" /S", true), 5u);
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe"));
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string log = std::string(temp) + "uninstall-start.log";
  DeleteFileA(log.c_str());
  UninstallRestricted(" -debug", true);
  std::ifstream read(log);
  const std::string logged((std::istreambuf_iterator<char>(read)), {});
  EXPECT_NE(logged.find("restarting with the verb runas"), std::string::npos) << logged;
  // Wine runs the restarted original without the rights again: it refuses, and does
  // not ask a second time.
  HWND box = nullptr;
  driver::WaitUntil(
      [&] { return (box = FindWindowA("#32770", CLang::GetText(kMsgError))) != nullptr; },
      "the restarted original's refusal");
  const driver::MessageBoxWindow refusal{driver::Window(box)};
  EXPECT_EQ(refusal.Text().rfind(CLang::GetText(kMsgUninstallNotPrepared), 0), 0u)
      << refusal.Text();
  refusal.Press();
  e2e::OpenToEveryone(dir);
  DeleteFileA(log.c_str());
  UninstallRestricted(" -debug", false);
  driver::WaitUntil(
      [&] { return (box = FindWindowA("#32770", CLang::GetText(kMsgError))) != nullptr; },
      "the refusal for a folder others may change");
  const driver::MessageBoxWindow unprotected{driver::Window(box)};
  EXPECT_EQ(unprotected.Text().rfind(CLang::GetText(kMsgFolderStartAsAdministrator), 0), 0u)
      << unprotected.Text();
  unprotected.Press();
  std::ifstream again(log);
  const std::string refused((std::istreambuf_iterator<char>(again)), {});
  EXPECT_EQ(refused.find("restarting"), std::string::npos) << refused;
  EXPECT_EQ(Uninstall(), 0u);
  WaitGone(dir);
}

// A player's installation whose entry Setup wrote under the machine's key, removed
// without the machine's rights: nothing from the player's folder runs elevated; the
// system's reg.exe removes the entry, once confirmed, and the player's process the rest.
TEST(Elevation, APlayersMachineEntryGoesThroughTheSystemsRegistryTool) {
  const std::string dir = "C:\\Tidemoor Entry";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir);
  ASSERT_TRUE(e2e::KeyExists(HKEY_LOCAL_MACHINE, kEntry));
  CLang::SetLanguage(std::stoul(Value(e2e::kProductKey, "Language")));
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string log = std::string(temp) + "uninstall.log";
  DeleteFileA(log.c_str());
  EXPECT_EQ(UninstallRestricted(" -debug", true), 0u);
  HWND found = nullptr;
  driver::WaitUntil(
      [&] { return IsWindowVisible(found = FindWindowA("TdmForm", CLang::GetText(100))); },
      "the uninstaller's window");
  driver::Window form(found);
  form.Child("chk_confirm").SetChecked(true);
  form.Child("Button1").Click();
  driver::WaitUntil([&] { return form.Child("lbl_progress").Text() == CLang::GetText(107); },
                    "done", kLong);
  form.Child("Button1").Click();
  WaitGone(dir);
  EXPECT_FALSE(e2e::KeyExists(HKEY_LOCAL_MACHINE, kEntry));
  EXPECT_FALSE(e2e::KeyExists(HKEY_CURRENT_USER, e2e::kProductKey));
  std::ifstream read(log);
  const std::string logged((std::istreambuf_iterator<char>(read)), {});
  EXPECT_NE(
      logged.find("\\reg.exe delete \"HKLM\\" + std::string(kEntry) + "\" /f with the verb runas"),
      std::string::npos)
      << logged;
}

// Drive D: is a folder on another file system than C: (TDM_WINE_DRIVES), where the
// temporary folders are.
std::string ProgramsFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// /S from another drive; a group three levels deep whose first level was there.
TEST(Drive, SilentFromAnotherDriveWithANestedGroup) {
  const std::string dir = "D:\\Games\\Tidemoor", programs = ProgramsFolder();
  e2e::CleanRegistry::Clear();
  ASSERT_TRUE(CreateDirectoryA((programs + "\\Games").c_str(), nullptr));
  Install(TDM_DEMO_FULL_SETUP, dir, false, "Games\\Tidemoor\\Deep");
  EXPECT_TRUE(driver::FileExists(programs + "\\Games\\Tidemoor\\Deep\\Tidemoor.lnk"));
  EXPECT_EQ(Uninstall(), 0u);
  WaitGone("D:\\Games");  // the installation made both levels
  EXPECT_FALSE(e2e::IsDirectory(programs + "\\Games\\Tidemoor"));
  EXPECT_TRUE(e2e::IsDirectory(programs + "\\Games")) << "it was there before";
  EXPECT_EQ(Value(kEntry, "DisplayName"), "");
}

// The installation's "data" is a link to D:\\outside (made by the test's fixture), and
// Setup wrote through it: the uninstaller does not follow it, removes the rest, and
// names the link it leaves, keeping what it needs to be run again.
TEST(Drive, ALinkBelowTheInstallationIsNotFollowed) {
  const std::string dir = "D:\\Linked\\Tidemoor";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir);
  ASSERT_TRUE(driver::FileExists("D:\\outside\\maps\\harbour.map"));
  EXPECT_EQ(Uninstall(" /S -debug"), 1u);
  EXPECT_FALSE(driver::FileExists(dir + "\\TDMClient.exe"));
  EXPECT_TRUE(driver::FileExists("D:\\outside\\maps\\harbour.map"));
  EXPECT_TRUE(driver::FileExists(dir + "\\uninstall.exe"));
  EXPECT_NE(Value(kEntry, "DisplayName"), "");
  e2e::CleanRegistry::Clear();
}

// The installation's update.staging is a link to D:\\elsewhere (made by the fixture): the
// uninstaller, which finishes or undoes an update first, and the update's Setup both stop
// there and name it, and nothing the link leads to or the installation holds is removed.
TEST(Drive, AStagingFolderThatIsALinkStopsBothAndIsNotFollowed) {
  const std::string dir = "D:\\Staged\\Tidemoor", kept = "D:\\elsewhere\\deep\\keep.txt";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir);
  ASSERT_TRUE(driver::FileExists(kept));
  EXPECT_EQ(Uninstall(" /S -debug"), 1u);
  EXPECT_TRUE(driver::FileExists(kept));
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe")) << "nothing removed";
  EXPECT_NE(Value(kEntry, "DisplayName"), "");
  std::vector<std::string> shown;
  EXPECT_EQ(e2e::SetupRun(TDM_DEMO_UPDATE_SETUP).RunToEnd("/S /LOG", shown), 1603u);
  EXPECT_THAT(shown, ::testing::IsEmpty());
  EXPECT_TRUE(driver::FileExists(kept));
  EXPECT_TRUE(driver::FileExists(dir + "\\update.staging\\deep\\keep.txt"));
  e2e::CleanRegistry::Clear();
}

// The same with the link inside, at update.staging\new\data: the update's Setup and the
// uninstaller both stop at it, and neither the installation nor what it leads to loses
// a file.
TEST(Drive, ALinkInsideTheStagingFolderIsNotFollowed) {
  const std::string dir = "D:\\Inside\\Tidemoor", kept = "D:\\beside\\keep.txt";
  e2e::CleanRegistry::Clear();
  Install(TDM_DEMO_FULL_SETUP, dir);
  ASSERT_TRUE(driver::FileExists(dir + "\\update.staging\\new\\data\\keep.txt"));
  std::vector<std::string> shown;
  EXPECT_EQ(e2e::SetupRun(TDM_DEMO_UPDATE_SETUP).RunToEnd("/S /LOG", shown), 1603u);
  EXPECT_TRUE(driver::FileExists(kept));
  EXPECT_EQ(Uninstall(" /S -debug"), 1u);
  EXPECT_TRUE(driver::FileExists(kept));
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe"));
  e2e::CleanRegistry::Clear();
}

// Installed into the root of D: ("D:\" is stored as "D:"), then everything asked for:
// refused with 106, nothing removed, not another program's file, not the game's.
TEST(Drive, EverythingInADriveRootIsRefused) {
  e2e::CleanRegistry::Clear();
  ASSERT_TRUE(CreateDirectoryA("D:\\Other", nullptr));
  std::ofstream("D:\\Other\\keep.txt") << "another program's";
  Install(TDM_DEMO_FULL_SETUP, "D:\\");
  Snapshot before;
  AddTree("D:", before);
  ASSERT_TRUE(driver::FileExists("D:\\TDMClient.exe"));
  CLang::SetLanguage(std::stoul(Value(e2e::kProductKey, "Language")));
  driver::Window form = UninstallWindow();
  DWORD copy = 0;
  GetWindowThreadProcessId(form.Handle(), &copy);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copy);
  form.Child("chk_confirm").SetChecked(true);
  form.Child("chk_savegames").SetChecked(true);
  form.Child("Button1").Click();
  std::optional<driver::MessageBoxWindow> box;
  driver::WaitUntil(
      [&] {
        for (const driver::Window& window : driver::TopLevelWindowsOf(copy))
          if (window.ClassName() == "#32770") box = driver::MessageBoxWindow{window};
        return box.has_value();
      },
      "the refusal");
  EXPECT_EQ(box->Text(), std::string(CLang::GetText(106)) + "\nD:");
  box->Press();
  EXPECT_EQ(form.Child("lbl_progress").Text(), CLang::GetText(106));
  form.Child("Button1").Click();
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(process, &code) && code == 1);
  CloseHandle(process);
  Snapshot after;
  AddTree("D:", after);
  EXPECT_THAT(after, ::testing::ContainerEq(before));
  e2e::CleanRegistry::Clear();
}

}  // namespace
