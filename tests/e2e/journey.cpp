#include "journey.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>

#include "pe_resources.h"
#include "s_lang.h"
#include "s_lang_user.h"

namespace e2e {

std::uint32_t UserLanguage() {
  return LanguageForUserLangId(GetUserDefaultLangID());
}

std::string Text(std::uint32_t id, std::uint32_t language) {
  CLang::SetLanguage(language);
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

std::string FreeSpaceText(const std::string& path) {
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExA(path.substr(0, 3).c_str(), &free, nullptr, nullptr))
    throw driver::DriverError("no free space for " + path);
  return std::to_string(free.QuadPart / (1024 * 1024)) + " MB";
}

testing::AssertionResult ShowsFreeSpaceOf(const std::string& shown, const std::string& path) {
  const long long free = std::stoll(FreeSpaceText(path));
  const long long figure = std::atoll(shown.c_str());
  if (shown == std::to_string(figure) + " MB" && std::llabs(figure - free) <= free / 100 + 1)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "shown \"" << shown << "\", free on " << path << ": " << free << " MB";
}

void CleanRegistry::Clear() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegDeleteTreeA(root, kProductKey);
    RegDeleteTreeA(root, kUninstallKey);
  }
}

void RegisterEarlier(const std::string& installDir, DWORD language, const std::string& client) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    throw driver::DriverError("cannot create the product's key");
  RegSetValueExA(key, "Language", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&language), 4);
  for (const auto& [name, value] : {std::pair{"InstallDir", installDir}, {"StartMenuGroup", "TDM"}})
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  CreateDirectoryA(installDir.c_str(), nullptr);
  if (!client.empty() &&
      !CopyFileA(client.c_str(), (installDir + "\\TDMClient.exe").c_str(), FALSE))
    throw driver::DriverError("cannot copy the client into " + installDir);
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

SetupRun::SetupRun(const std::string& setupExe)
    : exe_(folder_.CopyIn(driver::WinePath(setupExe), "Setup.exe")) {}
// The stub with the segments as resources "BIN" / "ID_SETUPFILE<n>".
SetupRun::SetupRun(const SegmentSet& segments) : exe_(folder_.PathOf("Setup.exe")) {
  test_support::WriteSegmentFiles(segments, folder_.Path());
  std::vector<peres::AddedResource> resources;
  for (std::size_t n = 1; n <= segments.size(); ++n)
    if (segments[n - 1])
      resources.push_back({"BIN", "ID_SETUPFILE" + std::to_string(n),
                           folder_.PathOf("ID_SETUPFILE" + std::to_string(n) + ".bin")});
  std::string error;
  if (!peres::WriteWithResources(driver::WinePath(TDM_SETUP_STUB), resources, exe_, error))
    throw driver::DriverError("cannot build " + exe_ + ": " + error);
}

void SetupRun::StartOnly(const std::string& arguments) {
  app_.reset();
  app_.emplace(driver::App::Start(exe_, arguments, {folder_.Path()}));
}

driver::Window SetupRun::Start(const std::string& arguments) {
  StartOnly(arguments);
  return app_->WaitForForm("FSetup");
}

void SetupRun::WalkToSettings(const driver::Window& wizard) {
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  if (!wizard.Child("TabSheet2").IsVisible())
    throw driver::DriverError("the settings page did not come");
}

std::string SetupRun::Install(const driver::Window& wizard) {
  wizard.Child("Button1").Click();
  std::string failure;
  driver::WaitUntil(
      [&] {
        if (const auto box = app_->FindMessageBox()) {
          failure = box->Text();
          box->Press();
        }
        return wizard.Child("TabSheet4").IsVisible() || wizard.Child("TabSheet5").IsVisible();
      },
      "the end of the installation", driver::Milliseconds{120000});
  return failure;
}

DWORD SetupRun::DismissRefusal(const driver::MessageBoxWindow& box) {
  box.Press();
  bool wizardSeen = false;
  driver::WaitUntil(
      [&] {
        wizardSeen = wizardSeen || app_->FindForm("FSetup").has_value();
        return !app_->GetProcess().IsRunning();
      },
      "Setup.exe to end after its refusal");
  if (wizardSeen) throw driver::DriverError("the wizard appeared after the refusal");
  return app_->WaitForExit();
}

// A log line is "ticks : HH:MM:SS : level : text".
std::vector<std::string> SetupRun::LogTexts() const {
  std::vector<std::string> texts;
  const std::string log = driver::ReadWholeFile(folder_.PathOf("setup.log")).value_or("");
  for (std::size_t at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t cut = 0;
    for (int field = 0; field < 3 && cut != std::string::npos; ++field)
      cut = line.find(" : ", cut == 0 ? 0 : cut + 3);
    if (cut != std::string::npos) texts.push_back(line.substr(cut + 3));
  }
  return texts;
}

}  // namespace e2e
