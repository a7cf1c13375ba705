// RegisterInstallation: the shortcuts, the product's settings and its uninstall
// entry, then the success page. An update writes no registry value but the version
// Apps & features shows, which would be wrong otherwise.
#include <windows.h>

#include <algorithm>
#include <string>

#include "catalogue_text.h"
#include "fixed_names.h"
#include "path_buffer.h"
#include "product_identity.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_uninstall_entry_win.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kUnit[] = "_setup/u_setup";
using installation::kProductKey;
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
constexpr char kDisplayName[] = "Tidemoor";

bool FitsBuffer(const std::string& text) {
  return text.size() < setup::kPathBufferSize;
}

}  // namespace

bool TFSetup::WriteProductSettings() {
  const HKEY root = radio_current_user.Checked() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  const std::string directory = Edit1.Text();
  const std::string group = Edit2.Text();
  CReg& reg = *CReg::Instance();
  if (!FitsBuffer(directory) || !FitsBuffer(group) || !reg.CreateKey(root, kProductKey) ||
      !reg.WriteString(root, kProductKey, "InstallDir", directory.c_str()) ||
      !reg.WriteDWord(root, kProductKey, "Language", CLang::GetLanguage()) ||
      !reg.WriteString(root, kProductKey, "StartMenuGroup", group.c_str()))
    return InstallFailed(kMsgRegistryWriteFailed);
  return true;
}

bool TFSetup::WriteUninstallEntry() {
  // Quoted, so that a directory with blanks cannot make Windows start another
  // program first (C:\Program.exe for C:\Program Files\...).
  setup::PathBuffer command;
  if (!setup::Compose(command, {"\"", Edit1.Text(), "\\uninstall.exe\""}))
    return InstallFailed(kMsgRegistryWriteFailed);
  CReg& reg = *CReg::Instance();
  HKEY root = HKEY_LOCAL_MACHINE;
  if (!reg.CreateKey(root, kUninstallKey)) {
    // A current-user installation by a user who may not write the machine's keys
    // keeps its uninstall entry with its settings.
    if (!radio_current_user.Checked()) return InstallFailed(kMsgRegistryWriteFailed);
    root = HKEY_CURRENT_USER;
    if (!reg.CreateKey(root, kUninstallKey)) return InstallFailed(kMsgRegistryWriteFailed);
  }
  // What Apps & features shows beside the name: folder, icon, size, no repair; the
  // version, the publisher and its page; and how a package manager uninstalls.
  setup::PathBuffer icon, quietCommand;
  const std::string version = archive::DisplayVersionText(packageVersionMS, packageVersionLS);
  const auto writeGiven = [&](const char* name, const std::string& value) {
    return value.empty() || reg.WriteString(root, kUninstallKey, name, value.c_str());
  };
  const std::uint64_t kib = (installedBytes + 1023) / 1024;
  if (!setup::Compose(icon,
                      {Edit1.Text(), "\\", mainProgramFile != nullptr ? mainProgramFile : ""}) ||
      !reg.WriteString(root, kUninstallKey, "DisplayName", kDisplayName) ||
      !reg.WriteString(root, kUninstallKey, "UninstallString", command) ||
      !reg.WriteString(root, kUninstallKey, "InstallLocation", Edit1.Text().c_str()) ||
      !reg.WriteString(root, kUninstallKey, "DisplayIcon", icon) ||
      !reg.WriteDWord(root, kUninstallKey, "EstimatedSize",
                      static_cast<DWORD>(std::min<std::uint64_t>(kib, 0xFFFFFFFFu))) ||
      !reg.WriteDWord(root, kUninstallKey, "NoModify", 1) ||
      !reg.WriteDWord(root, kUninstallKey, "NoRepair", 1) ||
      !setup::Compose(quietCommand, {command, " /S"}) ||
      !reg.WriteString(root, kUninstallKey, "QuietUninstallString", quietCommand) ||
      !reg.WriteString(root, kUninstallKey, "DisplayVersion", version.c_str()) ||
      !writeGiven("Publisher", identity.publisher) ||
      !writeGiven("URLInfoAbout", identity.urlInfoAbout))
    return InstallFailed(kMsgRegistryWriteFailed);
  return true;
}

bool TFSetup::RegisterInstallation() {
  CLog::Instance()->Log(1, kUnit, 667, "create registry entries");
  lbl_progress.SetText(Msg(kMsgCreatingRegistryEntries));
  Refresh();
  if (!CreateShortcuts()) return false;
  if (kind != static_cast<std::uint32_t>(archive::SetupKind::Update)) {
    WriteCreatedRecord();
    if (!WriteProductSettings() || !WriteUninstallEntry()) return false;
  } else {
    RewriteDisplayVersion(archive::DisplayVersionText(packageVersionMS, packageVersionLS).c_str());
  }
  CLog::Instance()->Log(1, kUnit, 803, "finished CopyFiles");
  ShowPage(TabSheet4);
  Button1.SetText(Msg(kMsgFinished));
  Button1.SetEnabled(true);
  Button2.Hide();
  return true;
}
