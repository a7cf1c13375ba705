// The uninstaller as players meet it: the demo installed through the wizard, then
// removed by the registered command, silently or through its window.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "driver.h"
#include "s_lang.h"

namespace {

using driver::Window;
using Snapshot = std::set<std::string>;
constexpr driver::Milliseconds kLong{120000};
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";

void AddTree(const std::string& dir, Snapshot& out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName, path = dir + "\\" + name;
    if (name == "." || name == ".." || _stricmp(name.c_str(), "windows") == 0 ||
        _stricmp(name.c_str(), "temp") == 0)
      continue;
    out.insert(path);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) AddTree(path, out);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void AddKey(HKEY root, const std::string& path, Snapshot& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  char name[512], data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &dataSize) != ERROR_SUCCESS)
      break;
    out.insert(path + "\\" + name + "=" + std::to_string(type) + ":" + std::string(data, dataSize));
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (_stricmp(name, "Wine") != 0) AddKey(root, path + "\\" + name, out);
  }
  RegCloseKey(key);
}

// The files and folders of drive C (but Windows' own and the temporary folders) and
// the software keys of both roots.
Snapshot Prefix() {
  Snapshot snapshot;
  AddTree("C:", snapshot);
  AddKey(HKEY_CURRENT_USER, "Software", snapshot);
  AddKey(HKEY_LOCAL_MACHINE, "Software", snapshot);
  return snapshot;
}

std::string Text(std::uint32_t id) {
  return CLang::GetText(id);
}

// A test that failed half-way leaves no registration for the next to refuse.
void Unregister() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const char* key : {"Software\\Tidemoor", kUninstallKey}) RegDeleteTreeA(root, key);
}

void Install(const char* setup, const std::string& dir, bool allUsers) {
  if (setup == std::string(TDM_DEMO_FULL_SETUP)) Unregister();
  driver::App app = driver::App::Start(driver::WinePath(setup));
  const Window wizard = app.WaitForForm("FSetup");
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  if (wizard.Child("Edit1").IsEnabled() && wizard.Child("Edit1").Text() != dir) {
    wizard.Child("Edit1").Type(dir);
    if (allUsers) wizard.Child("radio_all_users").SetChecked(true);
  }
  wizard.Child("Button1").Click();
  driver::WaitUntil([&] { return wizard.Child("TabSheet4").IsVisible(); }, "installed", kLong);
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  EXPECT_EQ(app.WaitForExit(), 0u);
}

std::string Registered() {
  char command[MAX_PATH] = {};
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    DWORD size = sizeof command;
    if (RegGetValueA(root, kUninstallKey, "UninstallString", RRF_RT_REG_SZ, nullptr, command,
                     &size) == ERROR_SUCCESS)
      return command;
  }
  return {};
}

DWORD UninstallSilently() {
  const std::string command = Registered();
  if (command.empty()) return 99;
  return driver::Process::Start(command + " /S").WaitForExit(kLong);
}

void WriteFile(const std::string& path, const char* text) {
  CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  CloseHandle(file);
}

class Uninstall : public ::testing::TestWithParam<bool> {};

TEST_P(Uninstall, FullThenUpdateThenSilentLeavesOnlyTheSavegame) {
  const std::string dir = GetParam() ? "C:\\Tidemoor AU" : "C:\\Tidemoor CU";
  Unregister();
  Snapshot expected = Prefix();
  Install(TDM_DEMO_FULL_SETUP, dir, GetParam());
  Install(TDM_DEMO_UPDATE_SETUP, dir, GetParam());
  WriteFile(dir + "\\savegames\\slot1.sav", "player's own");
  ASSERT_EQ(UninstallSilently(), 0u);
  for (const char* kept : {"", "\\savegames", "\\savegames\\slot1.sav"})
    expected.insert(dir + kept);
  const Snapshot after = Prefix();
  std::vector<std::string> added, removed;
  std::set_difference(after.begin(), after.end(), expected.begin(), expected.end(),
                      std::back_inserter(added));
  std::set_difference(expected.begin(), expected.end(), after.begin(), after.end(),
                      std::back_inserter(removed));
  EXPECT_EQ(added, std::vector<std::string>{});
  EXPECT_EQ(removed, std::vector<std::string>{});
  RemoveDirectoryA((dir + "\\savegames").c_str());
}
INSTANTIATE_TEST_SUITE_P(BothScopes, Uninstall, ::testing::Bool());

TEST(UninstallHeldFile, IsReportedAndASecondRunFinishes) {
  const std::string dir = "C:\\Tidemoor Held";
  Install(TDM_DEMO_FULL_SETUP, dir, false);
  // The Apps & features values of a full installation; its size in KiB, rounded up.
  Snapshot files;
  AddTree(dir, files);
  std::uint64_t bytes = 0;
  for (const std::string& path : files) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      bytes += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : data.nFileSizeLow;
  }
  const std::pair<const char*, std::string> values[] = {
      {"InstallLocation", dir},
      {"DisplayIcon", dir + "\\TDMClient.exe"},
      {"EstimatedSize", std::to_string((bytes + 1023) / 1024)},
      {"NoModify", "1"},
      {"NoRepair", "1"}};
  for (const auto& [name, expected] : values) {
    char data[MAX_PATH] = {};
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_ANY, &type, data, &size),
              0);
    EXPECT_EQ(
        type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : std::string(data),
        expected)
        << name;
  }
  const std::string held = dir + "\\data\\maps\\harbour.map";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_NE(UninstallSilently(), 0u);
  EXPECT_TRUE(driver::FileExists(held));
  EXPECT_FALSE(driver::FileExists(dir + "\\TDMClient.exe"));
  EXPECT_TRUE(driver::FileExists(dir + "\\uninstall.exe")) << "the entry must still work";
  CloseHandle(file);
  EXPECT_EQ(UninstallSilently(), 0u);
  EXPECT_FALSE(driver::FileExists(dir));
  EXPECT_EQ(Registered(), "");
}

// The window belongs to the copy in the temporary folder, not to the process started.
Window WaitForUninstallWindow() {
  return driver::WaitFor<Window>(
      [] {
        std::optional<Window> found;
        EnumWindows(
            [](HWND h, LPARAM out) {
              if (IsWindowVisible(h) && Window(h).Name() == "FUninstall")
                *reinterpret_cast<std::optional<Window>*>(out) = Window(h);
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
      },
      [] { return std::string("the uninstaller's window"); });
}

TEST(UninstallWindow, ConfirmCancelThenRemoveSavegamesToo) {
  const std::string dir = "C:\\Tidemoor Window";
  Install(TDM_DEMO_FULL_SETUP, dir, false);
  WriteFile(dir + "\\savegames\\slot1.sav", "player's own");
  DWORD language = 9, size = sizeof language;
  RegGetValueA(HKEY_CURRENT_USER, "Software\\Tidemoor", "Language", RRF_RT_REG_DWORD, nullptr,
               &language, &size);
  CLang::SetLanguage(language);
  driver::Process::Start(Registered()).WaitForExit();
  Window form = WaitForUninstallWindow();
  EXPECT_EQ(form.Text(), Text(100));
  EXPECT_EQ(form.Child("Label1").Text(), Text(101));
  EXPECT_EQ(form.Child("Label2").Text(), Text(104));
  EXPECT_EQ(form.Child("chk_savegames").Text(), Text(103));
  EXPECT_FALSE(form.Child("chk_savegames").IsChecked());
  EXPECT_FALSE(form.Child("Button1").IsEnabled());
  form.Child("chk_confirm").SetChecked(true);
  EXPECT_TRUE(form.Child("Button1").IsEnabled());
  form.Child("chk_confirm").SetChecked(false);
  EXPECT_FALSE(form.Child("Button1").IsEnabled());
  form.Child("Button2").Click();
  driver::WaitUntil([&] { return !form.Exists(); }, "the window closed");
  EXPECT_TRUE(driver::FileExists(dir + "\\TDMClient.exe"));
  EXPECT_NE(Registered(), "");

  driver::Process::Start(Registered()).WaitForExit();
  form = WaitForUninstallWindow();
  EXPECT_EQ(form.Child("chk_confirm").Text(), Text(102));
  form.Child("chk_confirm").SetChecked(true);
  form.Child("chk_savegames").SetChecked(true);
  form.Child("Button1").Click();
  driver::WaitUntil([&] { return form.Child("lbl_progress").Text() == Text(107); }, "success",
                    kLong);
  if (const char* shot = getenv("TDM_UNINSTALL_SCREENSHOT")) driver::SaveScreenshot(shot);
  EXPECT_EQ(form.Child("Button1").Text(), Text(13));
  form.Child("Button1").Click();
  EXPECT_FALSE(driver::FileExists(dir));
  EXPECT_EQ(Registered(), "");
}

}  // namespace
