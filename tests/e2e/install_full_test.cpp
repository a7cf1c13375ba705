// The demo release installed as a user installs it: every page reached through the
// buttons, every caption in the language the wizard chose, then what lands on disk,
// in the registry and in the shortcut folders; the readme opened at the end; the
// demo update installed over it.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "driver.h"
#include "s_lang.h"
#include "setup_run.h"

namespace {

namespace fs = std::filesystem;
using driver::Window;

constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr driver::Milliseconds kInstallTimeout{120000};

std::string Text(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

struct RegValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string bytes;
};

RegValue ReadValue(HKEY root, const char* key, const char* name) {
  RegValue value;
  HKEY handle = nullptr;
  value.status = RegOpenKeyExA(root, key, 0, KEY_READ, &handle);
  if (value.status != ERROR_SUCCESS) return value;
  char data[1024];
  DWORD size = sizeof data;
  value.status =
      RegQueryValueExA(handle, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size);
  if (value.status == ERROR_SUCCESS) value.bytes.assign(data, size);
  RegCloseKey(handle);
  return value;
}

bool KeyExists(HKEY root, const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}

// A shell folder as the installer finds it: the published value, else the shell's.
std::string Folder(HKEY root, const char* name, int csidl) {
  const RegValue value = ReadValue(root, kShellFolders, name);
  if (value.status == ERROR_SUCCESS && value.bytes[0] != '\0') return value.bytes.c_str();
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::uint64_t LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
         data.ftLastWriteTime.dwLowDateTime;
}

// Every file of a payload folder by its relative name ("data/x.dat").
std::map<std::string, std::string> PayloadFiles(const std::string& unixFolder) {
  std::map<std::string, std::string> files;
  const fs::path root = driver::WinePath(unixFolder);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), root).generic_string();
    files[relative] = entry.path().string();
  }
  return files;
}

struct LinkInfo {
  std::string target, workingDirectory;
  int showCommand = 0;
};

std::optional<LinkInfo> ReadLink(const std::string& path) {
  std::optional<LinkInfo> info;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[1024];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      LinkInfo read;
      char text[1024] = {};
      link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
      read.target = text;
      text[0] = '\0';
      link->GetWorkingDirectory(text, sizeof text);
      read.workingDirectory = text;
      link->GetShowCmd(&read.showCommand);
      info = read;
    }
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return info;
}

class FullInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    german_ = e2e::UserIsGerman();
    CLang::SetLanguage(german_ ? kLanguageGerman : kLanguageEnglish);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegDeleteTreeA(root, kProductKey);
      RegDeleteTreeA(root, kUninstallKey);
    }
  }

  // Starts a copy of `setupExe` in the scratch folder, with the editor stand-in
  // beside it, and waits for the wizard.
  Window StartSetup(const char* setupExe) {
    folder_.CopyIn(driver::WinePath(TDM_NOTEPAD_STANDIN), "notepad.exe");
    const std::string exe = folder_.CopyIn(driver::WinePath(setupExe), "Setup.exe");
    DeleteFileA(ArgsFile().c_str());
    app_.emplace(driver::App::Start(exe, {}, {folder_.Path(), {}}));
    return app_->WaitForForm("FSetup");
  }
  std::string ArgsFile() const { return folder_.PathOf("notepad-args.txt"); }

  // Language page, terms page and settings page, each checked, up to the settings.
  void WalkToSettings(const Window& wizard) {
    EXPECT_EQ(wizard.Child("box_language").ComboSelection(), german_ ? 0 : 1);
    EXPECT_TRUE(wizard.Child("TabSheet1").IsVisible());
    EXPECT_EQ(wizard.Child("Label3").Text(), Text(kMsgChooseLanguage));
    EXPECT_EQ(wizard.Child("Button1").Text(), Text(kMsgNext));
    EXPECT_EQ(wizard.Child("Button2").Text(), Text(kMsgCancel));
    EXPECT_EQ(wizard.Child("Button3").Text(), Text(kMsgBack));
    wizard.Child("Button1").Click();

    ASSERT_TRUE(wizard.Child("TabSheet6").IsVisible());
    EXPECT_EQ(wizard.Child("lbl_disclaimer").Text(), Text(kMsgTermsOfUse));
    EXPECT_EQ(wizard.Child("chk_disclaimer").Text(), Text(kMsgTermsRead));
    EXPECT_FALSE(wizard.Child("Button1").IsEnabled());
    wizard.Child("chk_disclaimer").SetChecked(true);
    ASSERT_TRUE(wizard.Child("Button1").IsEnabled());
    wizard.Child("Button1").Click();

    ASSERT_TRUE(wizard.Child("TabSheet2").IsVisible());
    EXPECT_EQ(wizard.Child("Button1").Text(), Text(kMsgStart));
    EXPECT_EQ(wizard.Child("Label4").Text(), Text(kMsgInstallDirectory));
    EXPECT_EQ(wizard.Child("Label9").Text(), Text(kMsgStartMenuGroup));
    EXPECT_EQ(wizard.Child("radio_current_user").Text(), Text(kMsgScopeCurrentUser));
    EXPECT_EQ(wizard.Child("radio_all_users").Text(), Text(kMsgScopeAllUsers));
    EXPECT_EQ(wizard.Child("CheckBox3").Text(), Text(kMsgDesktopIcon));
  }

  // Starts the copy and waits for the success page, checking it.
  void StartAndExpectSuccess(const Window& wizard) {
    wizard.Child("Button1").Click();
    driver::WaitUntil(
        [&] {
          return wizard.Child("TabSheet4").IsVisible() || wizard.Child("TabSheet5").IsVisible() ||
                 app_->FindMessageBox().has_value();
        },
        "the end of the installation", kInstallTimeout);
    ASSERT_FALSE(app_->FindMessageBox().has_value()) << app_->FindMessageBox()->Text();
    ASSERT_TRUE(wizard.Child("TabSheet4").IsVisible());
    EXPECT_EQ(wizard.Child("Label6").Text(), Text(kMsgInstallSucceeded));
    EXPECT_EQ(wizard.Child("CheckBox4").Text(), Text(kMsgShowImportantInfo));
    EXPECT_TRUE(wizard.Child("CheckBox4").IsChecked());
    EXPECT_EQ(wizard.Child("Button1").Text(), Text(kMsgFinished));
    EXPECT_TRUE(wizard.Child("Button1").IsEnabled());
    EXPECT_FALSE(wizard.Child("Button2").IsVisible());
    EXPECT_FALSE(wizard.Child("Button3").IsVisible());
  }

  // Finishes the wizard; with the box ticked the editor must get the readme.
  void Finish(const Window& wizard, bool showReadme, const std::string& directory) {
    wizard.Child("CheckBox4").SetChecked(showReadme);
    wizard.Child("Button1").Click();
    EXPECT_EQ(app_->WaitForExit(), 0u);
    const std::string readme = directory + (german_ ? "\\liesmich.txt" : "\\readme.txt");
    if (showReadme) {
      driver::WaitUntil([&] { return driver::FileExists(ArgsFile()); }, "the editor's start");
      driver::Pause(driver::Milliseconds{500});
      EXPECT_EQ(driver::ReadWholeFile(ArgsFile()), readme + "\n");
    } else {
      driver::Pause(driver::Milliseconds{2000});
      EXPECT_FALSE(driver::FileExists(ArgsFile())) << "the editor was started";
    }
  }

  void ExpectPayload(const std::string& directory, const char* payload) {
    for (const auto& [relative, source] : PayloadFiles(payload)) {
      std::string installed = directory + "\\" + relative;
      std::replace(installed.begin(), installed.end(), '/', '\\');
      EXPECT_EQ(LastWrite(installed), LastWrite(source)) << relative;
      EXPECT_EQ(driver::ReadWholeFile(installed), driver::ReadWholeFile(source)) << relative;
    }
  }

  void ExpectLink(const std::string& link, const std::string& target,
                  const std::string& directory) {
    const std::optional<LinkInfo> info = ReadLink(link);
    ASSERT_TRUE(info.has_value()) << link;
    EXPECT_EQ(info->target, target) << link;
    EXPECT_EQ(info->workingDirectory, directory) << link;
    EXPECT_EQ(info->showCommand, SW_SHOWNORMAL) << link;
  }

  void ExpectGroup(const std::string& group, const std::string& directory) {
    ExpectLink(group + "\\" + Text(kMsgLinkUninstall), directory + "\\uninstall.exe", directory);
    ExpectLink(group + "\\" + Text(kMsgLinkGame), directory + "\\TDMClient.exe", directory);
    ExpectLink(group + "\\" + Text(kMsgLinkSetup), directory + "\\TDMOptions.exe", directory);
    ExpectLink(group + (german_ ? "\\Wichtige Informationen.lnk" : "\\Important information.lnk"),
               directory + (german_ ? "\\liesmich.txt" : "\\readme.txt"), directory);
  }

  bool german_ = false;
  driver::ScratchDirectory folder_{"tdm-e2e-install"};
  std::optional<driver::App> app_;
};

TEST_F(FullInstallation, ForTheCurrentUserWithDesktopIconThenTheUpdateOverIt) {
  const std::string directory = "C:\\Games\\Tidemoor CU";
  Window wizard = StartSetup(TDM_DEMO_FULL_SETUP);
  WalkToSettings(wizard);
  const RegValue programFiles = ReadValue(
      HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  EXPECT_EQ(wizard.Child("Edit1").Text(), std::string(programFiles.bytes.c_str()) + "\\Tidemoor");
  EXPECT_EQ(wizard.Child("Edit2").Text(), "Tidemoor");
  wizard.Child("Edit1").Type(directory);
  wizard.Child("Edit2").Type("Tidemoor");
  EXPECT_TRUE(wizard.Child("radio_current_user").IsChecked());
  EXPECT_TRUE(wizard.Child("CheckBox3").IsChecked());
  StartAndExpectSuccess(wizard);

  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, Sz(directory));
  const RegValue language = ReadValue(HKEY_CURRENT_USER, kProductKey, "Language");
  EXPECT_EQ(language.type, static_cast<DWORD>(REG_DWORD));
  const DWORD expectedLanguage = german_ ? 0 : 1;
  EXPECT_EQ(language.bytes, std::string(reinterpret_cast<const char*>(&expectedLanguage), 4));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "StartMenuGroup").bytes, Sz("Tidemoor"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName").bytes, Sz("Tidemoor"));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes,
            Sz("\"" + directory + "\\uninstall.exe\""));
  const std::string desktop = Folder(HKEY_CURRENT_USER, "Desktop", CSIDL_DESKTOPDIRECTORY);
  const std::string group = Folder(HKEY_CURRENT_USER, "Programs", CSIDL_PROGRAMS) + "\\Tidemoor";
  ExpectLink(desktop + "\\Tidemoor.lnk", directory + "\\TDMClient.exe", directory);
  ExpectGroup(group, directory);
  Finish(wizard, true, directory);

  // The update over it: same folder, replaced files, the obsolete one gone, the
  // registry as the full installation left it.
  ASSERT_TRUE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  DeleteFileA((desktop + "\\Tidemoor.lnk").c_str());
  const RegValue registeredBefore = ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir");
  wizard = StartSetup(TDM_DEMO_UPDATE_SETUP);
  WalkToSettings(wizard);
  EXPECT_EQ(wizard.Child("Edit1").Text(), directory);
  StartAndExpectSuccess(wizard);
  ExpectPayload(directory, TDM_DEMO_UPDATE_PAYLOAD);
  EXPECT_FALSE(driver::FileExists(directory + "\\data\\old_intro.dat"));
  EXPECT_FALSE(driver::FileExists(desktop + "\\Tidemoor.lnk")) << "an update makes no desktop icon";
  ExpectGroup(group, directory);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kProductKey, "InstallDir").bytes, registeredBefore.bytes);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes,
            Sz("\"" + directory + "\\uninstall.exe\""));
  Finish(wizard, false, directory);
}

TEST_F(FullInstallation, ForAllUsersWithoutDesktopIcon) {
  const std::string directory = "C:\\Games\\Tidemoor AU";
  Window wizard = StartSetup(TDM_DEMO_FULL_SETUP);
  WalkToSettings(wizard);
  wizard.Child("Edit1").Type(directory);
  wizard.Child("radio_all_users").SetChecked(true);
  wizard.Child("CheckBox3").SetChecked(false);
  const std::string commonDesktop =
      Folder(HKEY_LOCAL_MACHINE, "Common Desktop", CSIDL_COMMON_DESKTOPDIRECTORY);
  DeleteFileA((commonDesktop + "\\Tidemoor.lnk").c_str());
  StartAndExpectSuccess(wizard);

  ExpectPayload(directory, TDM_DEMO_FULL_PAYLOAD);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir").bytes, Sz(directory));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kProductKey, "StartMenuGroup").bytes, Sz("Tidemoor"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").bytes,
            Sz("\"" + directory + "\\uninstall.exe\""));
  EXPECT_FALSE(driver::FileExists(commonDesktop + "\\Tidemoor.lnk"));
  ExpectGroup(Folder(HKEY_LOCAL_MACHINE, "Common Programs", CSIDL_COMMON_PROGRAMS) + "\\Tidemoor",
              directory);
  Finish(wizard, false, directory);
}

}  // namespace
