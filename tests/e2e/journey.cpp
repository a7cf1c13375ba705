#include "journey.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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

testing::AssertionResult ShowsFreeSpaceOf(const std::string& shown, const std::string& path) {
  ULARGE_INTEGER bytes{};
  if (!GetDiskFreeSpaceExA(path.substr(0, 3).c_str(), &bytes, nullptr, nullptr))
    throw driver::DriverError("no free space for " + path);
  const auto free = static_cast<long long>(bytes.QuadPart / (1024 * 1024));
  const long long figure = std::atoll(shown.c_str());
  // Tests running alongside copy and remove Wine prefixes of about 700 MB between Setup's
  // query and this one; the other drive's figure differs by far more (checked by the callers).
  const long long slack = free / 100 + 2048;
  if (shown == std::to_string(figure) + " MB" && std::llabs(figure - free) <= slack)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "shown \"" << shown << "\", free on " << path << ": " << free << " MB";
}

namespace fs = std::filesystem;

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
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
  EXPECT_TRUE(info && info->target == directory + "\\" + target &&
              info->workingDirectory == directory)
      << link << ": " << (info ? info->target + " in " + info->workingDirectory : "none");
}

void ExpectGroup(const std::string& group, const std::string& directory, std::uint32_t language) {
  const bool german = language == 0;
  ExpectLink(group + "\\" + Text(kMsgLinkGame, language), "updater.exe", directory);
  ExpectLink(group + (german ? "\\Wichtige Informationen.lnk" : "\\Important information.lnk"),
             german ? "liesmich.txt" : "readme.txt", directory);
}

void CleanRegistry::Clear() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegDeleteTreeA(root, kProductKey);
    RegDeleteTreeA(root, kUninstallKey);
  }
}

void RegisterEarlier(const std::string& installDir, DWORD language, const std::string& client) {
  for (const auto& [name, value] : {std::pair{"Language", Dword(language)},
                                    {"InstallDir", Sz(installDir)},
                                    {"StartMenuGroup", Sz("TDM")}})
    if (RegSetKeyValueA(HKEY_CURRENT_USER, kProductKey, name, name[0] == 'L' ? REG_DWORD : REG_SZ,
                        value.data(), static_cast<DWORD>(value.size())) != ERROR_SUCCESS)
      throw driver::DriverError("cannot register " + std::string(name));
  CreateDirectoryA(installDir.c_str(), nullptr);
  if (!client.empty() &&
      !CopyFileA(client.c_str(), (installDir + "\\TDMClient.exe").c_str(), FALSE))
    throw driver::DriverError("cannot copy the client into " + installDir);
}

// With the editor's stand-in beside it, which Setup.exe finds first.
SetupRun::SetupRun(const std::string& setupExe)
    : exe_(folder_.CopyIn(driver::WinePath(setupExe), "Setup.exe")) {
  folder_.CopyIn(driver::WinePath(TDM_NOTEPAD_STANDIN), "notepad.exe");
}
// The stub with the segments as resources "BIN" / "ID_SETUPFILE<n>".
SetupRun::SetupRun(const SegmentSet& segments) : exe_(folder_.PathOf("Setup.exe")) {
  WriteSegmentFiles(segments, folder_.Path());
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
  app_.emplace(driver::App::Start(exe_, arguments, folder_.Path()));
}

DWORD SetupRun::RunToEnd(const std::string& arguments, std::vector<std::string>& shown) {
  StartOnly(arguments);
  return app_->GetProcess().WaitForExitWatchingWindows(shown, driver::Milliseconds{120000});
}

driver::Window SetupRun::Start(const std::string& arguments) {
  StartOnly(arguments);
  return app_->WaitForForm("FSetup");
}

void SetupRun::WalkToSettings(const driver::Window& wizard) {
  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
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

// A log line is "ticks : HH:MM:SS : level : text".
std::vector<std::string> SetupRun::LogTexts() const {
  std::vector<std::string> texts;
  std::ifstream log(folder_.PathOf("setup.log"));  // in text mode: lines end without '\r'
  for (std::string line; std::getline(log, line);)
    if (const auto cut = line.rfind(" : "); cut != std::string::npos)
      texts.push_back(line.substr(cut + 3));
  return texts;
}

void OpenToEveryone(const std::string& folder) {
  PSECURITY_DESCRIPTOR everyone = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;WD)", 1,
                                                                   &everyone, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  GetSecurityDescriptorDacl(everyone, &present, &list, &defaulted);
  EXPECT_EQ(SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION, nullptr, nullptr, list, nullptr),
            0u)
      << folder;
  LocalFree(everyone);
}

}  // namespace e2e
