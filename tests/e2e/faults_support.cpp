#include "faults_support.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "s_lang.h"

namespace faults {
namespace {

constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

std::string Catalogue(unsigned id, unsigned language) {
  CLang::SetLanguage(language);
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

std::string SystemMessage(unsigned long error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length != 0 && text != nullptr ? std::string(text, length) : "";
  if (text != nullptr) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

driver::App StartInstallation(const std::string& setupExe, const InstallSettings& settings) {
  driver::App app = driver::App::Start(setupExe, settings.arguments);
  const driver::Window form = app.WaitForForm("FSetup");
  form.Child("box_language").SelectComboItem("English");
  form.Child("Button1").Click();
  form.Child("chk_disclaimer").SetChecked(true);
  form.Child("Button1").Click();
  form.Child("Edit1").Type(settings.directory);
  if (settings.group) form.Child("Edit2").Type(*settings.group);
  form.Child("radio_current_user").SetChecked(true);
  form.Child("CheckBox3").SetChecked(settings.desktopIcon);
  form.Child("Button1").Click();
  return app;
}

FailureSeen FinishFailedInstallation(driver::App& app) {
  FailureSeen seen;
  const driver::MessageBoxWindow box = app.WaitForMessageBox(driver::Milliseconds{60000});
  seen.caption = box.Caption();
  seen.text = box.Text();
  box.Press(IDOK);
  const driver::Window form = app.WaitForForm("FSetup");
  driver::WaitUntil([&] { return form.Child("TabSheet5").IsVisible(); }, "the failure page",
                    driver::Milliseconds{10000});
  seen.onFailurePage = form.Child("TabSheet5").IsVisible() && !form.Child("TabSheet4").IsVisible();
  seen.finishButton = form.Child("Button1").Text();
  seen.cancelHidden = !form.Child("Button2").IsVisible();
  form.Child("Button1").Click();
  seen.exitCode = app.WaitForExit();
  return seen;
}

bool NothingRegistered() {
  return RegistryLeftovers().empty();
}

std::string RegistryLeftovers() {
  std::string found;
  const struct {
    HKEY root;
    const char* rootName;
    const char* path;
  } keys[] = {{HKEY_CURRENT_USER, "HKCU\\", kProductKey},
              {HKEY_LOCAL_MACHINE, "HKLM\\", kProductKey},
              {HKEY_CURRENT_USER, "HKCU\\", kUninstallKey},
              {HKEY_LOCAL_MACHINE, "HKLM\\", kUninstallKey}};
  for (const auto& key : keys)
    if (KeyExists(key.root, key.path)) found += std::string(key.rootName) + key.path + " ";
  return found;
}

void UsePrivateDesktop(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  // Wine's shell rewrites the published values from the user's own ones whenever it
  // starts, so both are set.
  for (const char* path : {kShellFolders, kUserShellFolders}) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      throw driver::DriverError(std::string("cannot open ") + path);
    RegSetValueExA(key, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
  }
}

void WriteBystander(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DemoFullSetup() {
  return driver::WinePath(TDM_DEMO_FULL_SETUP);
}

std::optional<std::string> FaultMedia() {
  // The fixture mounts both and leaves a marker in each; without it the folders are
  // plain folders of the build tree and prove nothing.
  const std::string drive = "M:";
  if (!driver::FileExists(drive + "\\full\\mounted") ||
      !driver::FileExists(drive + "\\readonly\\mounted"))
    return std::nullopt;
  return drive;
}

}  // namespace faults
