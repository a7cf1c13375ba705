#include "uninstall_registry_win.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

#include "removal_plan.h"
#include "s_handle_win.h"
#include "s_run_elevated_win.h"

namespace uninstall {
namespace {

constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kProfiles[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr const char* kInstallerValues[] = {"Language", "InstallDir", "StartMenuGroup"};
// Where the shell's folders lie in a profile unless moved: another user's are known
// to us only this way.
constexpr const char* kProfileFolders[] = {"Desktop", "Documents",        "Downloads",
                                           "Music",   "Pictures",         "Videos",
                                           "AppData", "AppData\\Roaming", "AppData\\Local"};

class Key {
 public:
  Key(HKEY root, const char* path, REGSAM access) {
    if (RegOpenKeyExA(root, path, 0, access, key_.put()) != ERROR_SUCCESS) key_.reset();
  }
  HKEY get() const { return key_.get(); }
  std::string String(const char* subkey, const char* name) const {
    char value[1024] = {};
    DWORD size = sizeof value - 1;  // room for a terminator the value may lack
    if (!key_ ||
        RegGetValueA(key_.get(), subkey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS)
      return {};
    return value;
  }

 private:
  handles::Key key_;
};

void AddKnownFolder(REFKNOWNFOLDERID id, std::vector<std::string>& out) {
  wchar_t* wide = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &wide))) {
    char path[MAX_PATH * 2] = {};
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof path, nullptr, nullptr) > 0)
      out.push_back(path);
  }
  CoTaskMemFree(wide);
}

void EachSubkey(const Key& parent, const auto& visit) {
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (parent.get() == nullptr || RegEnumKeyExA(parent.get(), i, name, &size, nullptr, nullptr,
                                                 nullptr, nullptr) != ERROR_SUCCESS)
      return;
    visit(name);
  }
}

}  // namespace

GuardFacts GatherGuardFacts() {
  GuardFacts facts;
  char path[MAX_PATH];
  if (GetWindowsDirectoryA(path, sizeof path) - 1u < sizeof path - 1) facts.shared.push_back(path);
  if (GetSystemDirectoryA(path, sizeof path) - 1u < sizeof path - 1) facts.shared.push_back(path);
  for (REFKNOWNFOLDERID id :
       {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_ProgramData,
        FOLDERID_UserProfiles, FOLDERID_Profile, FOLDERID_Desktop, FOLDERID_Documents,
        FOLDERID_Downloads, FOLDERID_Music, FOLDERID_Pictures, FOLDERID_Videos,
        FOLDERID_RoamingAppData, FOLDERID_LocalAppData, FOLDERID_Public, FOLDERID_Windows,
        FOLDERID_System, FOLDERID_SystemX86})
    AddKnownFolder(id, facts.shared);
  // Every user's profile, not only this one's, and where its shell folders lie.
  std::vector<std::string> profilesFound;
  const Key profiles(HKEY_LOCAL_MACHINE, kProfiles, KEY_READ);
  EachSubkey(profiles, [&](const char* sid) {
    const std::string profile = profiles.String(sid, "ProfileImagePath");
    char expanded[MAX_PATH];
    const DWORD length = ExpandEnvironmentStringsA(profile.c_str(), expanded, sizeof expanded);
    if (!profile.empty() && length > 0 && length <= sizeof expanded)
      profilesFound.push_back(expanded);
  });
  AddKnownFolder(FOLDERID_Public, profilesFound);
  AddKnownFolder(FOLDERID_Profile, profilesFound);
  for (const std::string& profile : profilesFound)
    for (const char* folder : kProfileFolders) facts.shared.push_back(profile + "\\" + folder);
  facts.shared.insert(facts.shared.end(), profilesFound.begin(), profilesFound.end());
  const std::pair<HKEY, REGSAM> entries[] = {{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                                             {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
                                             {HKEY_CURRENT_USER, 0}};
  for (const auto& [root, view] : entries) {
    const Key uninstall(root, kUninstallRoot, KEY_READ | view);
    EachSubkey(uninstall, [&](const char* name) {
      if (SameName(name, "Tidemoor")) return;
      for (const std::string& folder : {uninstall.String(name, "InstallLocation"),
                                        FolderOfCommand(uninstall.String(name, "UninstallString"))})
        if (!folder.empty()) facts.otherEntries.push_back(folder);
    });
  }
  return facts;
}

LSTATUS RemoveProductKey(HKEY root, bool everything) {
  LSTATUS status = ERROR_SUCCESS;
  {
    const Key key(root, kProductKey, KEY_READ | KEY_SET_VALUE);
    if (key.get() == nullptr) return ERROR_SUCCESS;  // already gone
    for (const char* value : kInstallerValues) {
      status = RegDeleteValueA(key.get(), value);
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    }
    DWORD subkeys = 0, values = 0;
    status = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    switch (DecideProductKey(everything, values > 0, subkeys > 0)) {
      case ProductKey::Keep:
        return ERROR_SUCCESS;
      case ProductKey::DeleteTree:
        status = RegDeleteTreeA(key.get(), nullptr);
        if (status != ERROR_SUCCESS) return status;
        break;
      case ProductKey::Delete:
        break;
    }
  }
  return RegDeleteKeyA(root, kProductKey);
}

namespace {

bool IsEntryOf(HKEY root, const std::string& installDir) {
  const std::string program = installDir + "\\" + kUninstallerName;
  const std::string registered =
      Key(root, kUninstallKey, KEY_READ).String(nullptr, "UninstallString");
  return SameName(registered, "\"" + program + "\"") || SameName(registered, program);
}

}  // namespace

LSTATUS RemoveUninstallEntry(const std::string& installDir) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (!IsEntryOf(root, installDir)) continue;
    const LSTATUS status = RegDeleteKeyA(root, kUninstallKey);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

LSTATUS MayRemoveUninstallEntry(const std::string& installDir, bool machineByAdministrator) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (!IsEntryOf(root, installDir) || (root == HKEY_LOCAL_MACHINE && machineByAdministrator))
      continue;
    handles::Key key;
    const LSTATUS status = RegOpenKeyExA(root, kUninstallKey, 0, DELETE, key.put());
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

bool UninstallEntryOfMachine(const std::string& installDir) {
  return IsEntryOf(HKEY_LOCAL_MACHINE, installDir);
}

LSTATUS RemoveMachineEntryByAdministrator(const std::string& installDir) {
  char system[MAX_PATH];
  const UINT length = GetSystemDirectoryA(system, sizeof system);
  if (length == 0 || length >= sizeof system) return ERROR_PATH_NOT_FOUND;
  const std::string tool = std::string(system) + "\\reg.exe";
  const std::string parameters = std::string("delete \"HKLM\\") + kUninstallKey + "\" /f";
  DWORD code = 1;
  if (!elevated::RunAndWait(tool, parameters, system, code))
    return static_cast<LSTATUS>(GetLastError());
  // What counts is that the entry is gone, whatever the tool says.
  return UninstallEntryOfMachine(installDir) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

}  // namespace uninstall
