#include "installation_win.h"

#include <windows.h>

#include <cstring>

#include "fixed_names.h"
#include "s_file_version_win.h"
#include "s_registry_win.h"

namespace updater {

namespace {

using installation::kClientFile;
using installation::kProductKey;

bool ReadString(HKEY root, const char* name, std::string& value) {
  char buffer[MAX_PATH] = {};
  if (!CReg::Instance()->ReadString(root, kProductKey, name, buffer, sizeof buffer)) return false;
  value.assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

bool ReadResource(const char* name, std::string& bytes) {
  HRSRC found = FindResourceA(nullptr, name, feed::kUpdaterResourceType);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  bytes.assign(static_cast<const char*>(data), SizeofResource(nullptr, found));
  return true;
}

}  // namespace

bool FindInstallation(Installation& installation, bool machineOnly) {
  installation = {};
  // Where InstallDir was found is where Setup registered the installation.
  if (!machineOnly && ReadString(HKEY_CURRENT_USER, "InstallDir", installation.directory)) {
    installation.allUsers = false;
  } else if (ReadString(HKEY_LOCAL_MACHINE, "InstallDir", installation.directory)) {
    installation.allUsers = true;
  } else {
    return false;
  }
  while (!installation.directory.empty() && installation.directory.back() == '\\')
    installation.directory.pop_back();
  if (installation.directory.empty()) return false;
  DWORD language = 0;
  if ((!machineOnly &&
       CReg::Instance()->ReadDWord(HKEY_CURRENT_USER, kProductKey, "Language", language)) ||
      CReg::Instance()->ReadDWord(HKEY_LOCAL_MACHINE, kProductKey, "Language", language))
    installation.language = language == 0 ? 0 : 1;
  else
    installation.language = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? 0 : 1;
  if (machineOnly || !ReadString(HKEY_CURRENT_USER, "StartMenuGroup", installation.startMenuGroup))
    ReadString(HKEY_LOCAL_MACHINE, "StartMenuGroup", installation.startMenuGroup);
  const std::string client = installation.directory + "\\" + kClientFile;
  installation.versionKnown =
      ReadProductVersion(client.c_str(), installation.version.ms, installation.version.ls);
  return true;
}

bool LoadFeedResources(std::string& url, feed::PublicKey& key) {
  std::string keyBytes;
  if (!ReadResource(feed::kUpdaterUrlResource, url) || url.empty() ||
      !ReadResource(feed::kUpdaterKeyResource, keyBytes) || keyBytes.size() != key.size())
    return false;
  std::memcpy(key.data(), keyBytes.data(), key.size());
  return true;
}

std::string FeedProduct() {
  std::string product;
  return ReadResource(feed::kUpdaterProductResource, product) ? product : std::string();
}

}  // namespace updater
