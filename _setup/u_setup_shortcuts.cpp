// The shortcuts: the desktop icon, the start-menu group with the archive's links,
// and the readme link.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive_read.h"
#include "catalogue_text.h"
#include "path_buffer.h"
#include "s_registry_win.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Fills `field` from the shell's published folder value, else from the shell
// itself. False when neither knows the folder (a link would then land in the root of
// the current drive) or the shell's answer does not fit the field.
bool ReadShellFolder(char (&field)[256], HKEY root, const char* value, int csidl) {
  char read[MAX_PATH];  // what the shell may write, though the field holds 255 characters
  if (CReg::Instance()->ReadString(root, kShellFolders, value, read, sizeof field) &&
      read[0] != '\0') {
    std::memcpy(field, read, sizeof field);
    return true;
  }
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, read))) return false;
  const std::size_t length = strnlen(read, sizeof read);
  if (length == 0 || length >= sizeof field) return false;
  std::memcpy(field, read, length + 1);  // length + 1 <= sizeof field
  return true;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// Every missing level below the programs folder ("Games\\Tidemoor"), never the programs
// folder itself; a level that would leave it ("..") is refused.
bool TFSetup::CreateStartMenuGroup(const std::string& group) {
  std::vector<std::string> levels;
  if (!created::SplitGroup(Edit2.Text(), levels)) return InstallFailed(kMsgCreateDirectoryFailed);
  std::string path = programsFolder;
  for (const std::string& level : levels) {
    path += "\\" + level;
    if (IsDirectory(path)) continue;
    if (!CreateDirectoryA(path.c_str(), nullptr)) return InstallFailed(kMsgCreateDirectoryFailed);
    ++createdFolders.groupLevels;
  }
  return path == group || InstallFailed(kMsgCreateDirectoryFailed);
}

bool TFSetup::CreateShortcuts() {
  const bool currentUser = radio_current_user.Checked();
  const bool update = kind == static_cast<std::uint32_t>(archive::SetupKind::Update);
  const std::string directory = Edit1.Text();
  CReg& reg = *CReg::Instance();

  const char* programFile = setup::ReadText(ArchiveCursor);
  mainProgramFile = programFile;
  setup::PathBuffer mainTarget;
  const bool targetFits = setup::Compose(mainTarget, {directory, "\\", programFile});
  const bool desktopKnown =
      currentUser
          ? ReadShellFolder(desktopFolder, HKEY_CURRENT_USER, "Desktop", CSIDL_DESKTOPDIRECTORY)
          : ReadShellFolder(desktopFolder, HKEY_LOCAL_MACHINE, "Common Desktop",
                            CSIDL_COMMON_DESKTOPDIRECTORY);
  const char* desktopLinkName = setup::ReadText(ArchiveCursor);
  setup::PathBuffer desktopLink;
  const bool linkFits = setup::Compose(desktopLink, {desktopFolder, "\\", desktopLinkName});
  if (CheckBox3.Checked() && !update) {
    if (!desktopKnown || !targetFits || !linkFits ||
        !reg.CreateShellLink(desktopLink, mainTarget, nullptr, directory.c_str(), SW_SHOWNORMAL,
                             nullptr, 0))
      return InstallFailed(kMsgCreateLinkFailed);
  }

  bool programsKnown = false;
  if (currentUser) {
    programsKnown = ReadShellFolder(programsFolder, HKEY_CURRENT_USER, "Programs", CSIDL_PROGRAMS);
  } else {
    char common[256];
    const bool commonRead = reg.ReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs",
                                           common, sizeof common) &&
                            common[0] != '\0';
    if (commonRead) std::memcpy(programsFolder, common, sizeof programsFolder);
    // Without the machine's programs folder the group goes to the user's own.
    programsKnown = commonRead ||
                    ReadShellFolder(programsFolder, HKEY_CURRENT_USER, "Programs", CSIDL_PROGRAMS);
  }
  if (!programsKnown) return InstallFailed(kMsgCreateLinkFailed);

  const std::string group = std::string(programsFolder) + "\\" + Edit2.Text();
  if (!CreateStartMenuGroup(group)) return false;

  auto makeGroupLink = [&](const char* linkName, const char* target) {
    setup::PathBuffer link, targetPath;
    return setup::Compose(link, {group, "\\", linkName}) &&
           setup::Compose(targetPath, {directory, "\\", target}) &&
           reg.CreateShellLink(link, targetPath, nullptr, directory.c_str(), SW_SHOWNORMAL, nullptr,
                               0);
  };
  const std::uint32_t count = setup::ReadU32(ArchiveCursor);
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* targetFile = setup::ReadText(ArchiveCursor);
    const std::uint32_t linkNameId = setup::ReadU32(ArchiveCursor);
    if (!makeGroupLink(Msg(linkNameId), targetFile)) return InstallFailed(kMsgCreateLinkFailed);
  }
  if (!makeGroupLink(selectedReadmeLink, selectedReadme))
    return InstallFailed(kMsgCreateLinkFailed);
  return true;
}
