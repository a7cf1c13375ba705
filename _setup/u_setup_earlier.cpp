// The earlier-installation step of the wizard's creation: a full installation must
// not run over an existing one; an update runs only over an installation with the
// right client version and takes its settings from it.
#include <windows.h>

#include <string>
#include <vector>

#include "application.h"
#include "catalogue_text.h"
#include "message_box.h"
#include "path_buffer.h"
#include "s_lang.h"
#include "s_format.h"
#include "s_registry_win.h"
#include "setup_archive.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kClientFile[] = "TDMClient.exe";

struct ClientVersion {
  DWORD ms = 0;
  DWORD ls = 0;
};

// Every refusal of this step ends the program before the wizard is shown; nothing
// has been written anywhere at that point.
bool Refuse(const char* text, const char* caption) {
  gui::ShowMessageBox(gui::FocusOwner(), text, caption, MB_OK);
  gui::Application::Instance().Terminate();
  return false;
}

// Current user first, then the machine; the first successful read wins.
bool ReadRegisteredLanguage(std::uint32_t& language) {
  DWORD value = 0;
  CReg& reg = *CReg::Instance();
  if (!reg.ReadDWord(HKEY_CURRENT_USER, kProductKey, "Language", value) &&
      !reg.ReadDWord(HKEY_LOCAL_MACHINE, kProductKey, "Language", value))
    return false;
  // Only German and English have texts; any other number would leave every
  // message and caption empty, so it counts as English.
  language = value == kLanguageGerman ? kLanguageGerman : kLanguageEnglish;
  return true;
}

bool ReadRegisteredString(const char* name, setup::PathBuffer& value) {
  CReg& reg = *CReg::Instance();
  return reg.ReadString(HKEY_CURRENT_USER, kProductKey, name, value, sizeof value) ||
         reg.ReadString(HKEY_LOCAL_MACHINE, kProductKey, name, value, sizeof value);
}

// The product version from the fixed part of the client's version resource. A file
// without one, or whose fixed part is absent or malformed, has no version to compare.
bool ReadClientVersion(const char* path, ClientVersion& version) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return false;
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(path, 0, size, info.data())) return false;
  void* fixed = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!VerQueryValueA(info.data(), root, &fixed, &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  const auto* fileInfo = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (fileInfo->dwSignature != VS_FFI_SIGNATURE) return false;
  version.ms = fileInfo->dwProductVersionMS;
  version.ls = fileInfo->dwProductVersionLS;
  return true;
}

}  // namespace

bool TFSetup::CheckEarlierInstallation() {
  if (kind == static_cast<std::uint32_t>(archive::SetupKind::Full))
    return CheckNoEarlierInstallation();
  if (kind == static_cast<std::uint32_t>(archive::SetupKind::Update))
    return AdoptEarlierInstallation();
  return true;
}

bool TFSetup::CheckNoEarlierInstallation() {
  std::uint32_t language = 0;
  if (!ReadRegisteredLanguage(language)) return true;
  // The refusal speaks the language of the installation that is already there.
  CLang::SetLanguage(language);
  return Refuse(Msg(kMsgUninstallPreviousFirst), Msg(kMsgError));
}

bool TFSetup::AdoptEarlierInstallation() {
  std::uint32_t language = 0;
  if (!ReadRegisteredLanguage(language)) return Refuse(Msg(kMsgRegistryReadFailed), Msg(kMsgError));
  box_language.SetItemIndex(static_cast<int>(language));
  CLang::SetLanguage(language);
  UpdateWizardTexts();  // from here on, messages included, in the registered language

  setup::PathBuffer installDir;
  if (!ReadRegisteredString("InstallDir", installDir))
    return Refuse(Msg(kMsgInstallDirectoryUnknown), Msg(kMsgRegistryAccessFailure));
  Edit1.SetText(installDir);

  setup::PathBuffer startMenuGroup;
  if (!ReadRegisteredString("StartMenuGroup", startMenuGroup))
    return Refuse(Msg(kMsgRegistryReadFailed), Msg(kMsgError));
  Edit2.SetText(startMenuGroup);

  // The update registers where the installation it updates was registered.
  DWORD ignored = 0;
  const bool currentUser =
      CReg::Instance()->ReadDWord(HKEY_CURRENT_USER, kProductKey, "Language", ignored);
  (currentUser ? radio_current_user : radio_all_users).SetChecked(true);
  radio_current_user.SetEnabled(false);
  radio_all_users.SetEnabled(false);

  // The update brings no desktop icon of its own.
  CheckBox3.Hide();
  CheckBox3.SetChecked(false);

  return CheckInstalledClient();
}

bool TFSetup::CheckInstalledClient() {
  const std::string directory = Edit1.Text();
  const std::string clientPath = directory + "\\" + kClientFile;
  setup::PathBuffer path;
  ClientVersion installed;
  // A path too long for its buffer cannot name the client: it counts as missing.
  if (!setup::Compose(path, {directory, "\\", kClientFile}) || !ReadClientVersion(path, installed))
    return Refuse(clientPath.c_str(), Msg(kMsgMissingClientFile));

  const bool fits = (requiredVersionMS == 0 || requiredVersionMS == installed.ms) &&
                    (requiredVersionLS == 0 || requiredVersionLS == installed.ls);
  if (!fits) {
    // The English text prints only the first argument, the German one both.
    char text[256];
    FormatText(text, sizeof text, Msg(kMsgUpdateNeedsClientVersion),
               static_cast<double>(requiredVersionMS) * 0.001,
               static_cast<unsigned>(requiredVersionLS));
    return Refuse(text, Msg(kMsgWrongClientVersion));
  }

  if (requiredVersionMS == 0 && requiredVersionLS == 0) {
    const bool older = installed.ms < packageVersionMS ||
                       (installed.ms == packageVersionMS && installed.ls < packageVersionLS);
    if (!older) return Refuse(Msg(kMsgAlreadyUpdated), Msg(kMsgWrongClientVersion));
  }
  return true;
}
