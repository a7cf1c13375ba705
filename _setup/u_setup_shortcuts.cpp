// The shortcuts: the desktop icon, the start-menu group with the archive's links,
// and the readme link.
#include <windows.h>

#include <string>

#include "archive_read.h"
#include "catalogue_text.h"
#include "path_buffer.h"
#include "s_links_win.h"
#include "s_registry_win.h"
#include "u_setup.h"

using setup::Msg;

// Every missing level below the programs folder ("Games\\Tidemoor"), never the programs
// folder itself; a level that would leave it ("..") is refused.
bool TFSetup::CreateStartMenuGroup(const std::string& group) {
  return links::MakeGroupLevels(programsFolder, group, createdFolders.groupLevels) ||
         InstallFailed(kMsgCreateDirectoryFailed);
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
  const bool desktopKnown = links::DesktopFolder(currentUser, desktopFolder);
  const char* desktopLinkName = setup::ReadText(ArchiveCursor);
  setup::PathBuffer desktopLink;
  const bool linkFits = setup::Compose(desktopLink, {desktopFolder, "\\", desktopLinkName});
  if (CheckBox3.Checked() && !update) {
    if (!desktopKnown || !targetFits || !linkFits ||
        !reg.CreateShellLink(desktopLink, mainTarget, nullptr, directory.c_str(), SW_SHOWNORMAL,
                             nullptr, 0))
      return InstallFailed(kMsgCreateLinkFailed);
  }

  const bool programsKnown = links::ProgramsFolder(currentUser, programsFolder);
  if (!programsKnown) return InstallFailed(kMsgCreateLinkFailed);

  const std::string group = std::string(programsFolder) + "\\" + Edit2.Text();
  if (!CreateStartMenuGroup(Edit2.Text())) return false;

  auto makeGroupLink = [&](const char* linkName, const char* target) {
    return links::MakeLink(group + "\\" + linkName, directory + "\\" + target, directory);
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
