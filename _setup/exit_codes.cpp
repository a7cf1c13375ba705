#include "exit_codes.h"

#include "earlier_installation.h"
#include "s_lang_ids.h"

namespace setup {

int ExitCodeForText(std::uint32_t textId) {
  static constexpr struct {
    std::uint32_t text;
    int code;
  } kCodes[] = {
      {kMsgUninstallPreviousFirst, kExitAlreadyInstalled},
      {kMsgAlreadyUpdated, kExitAlreadyInstalled},
      {kMsgWrongClientVersion, kExitWrongVersion},
      {kMsgUpdateNeedsClientVersion, kExitWrongVersion},
      {kMsgInstallDirectoryUnknown, kExitNotInstalled},
      {kMsgRegistryReadFailed, kExitNotInstalled},
      // The registry names an installation whose client is gone: none to update.
      {kClientPathText, kExitNotInstalled},
      {kMsgAlreadyInstalled, kExitOtherDirectory},
      {kMsgNeedAllUsersRights, kExitNeedsRights},
      {kMsgFolderOthersMayChange, kExitUnprotectedFolder},
      {kMsgFolderReinstall, kExitUnprotectedFolder},
      {kMsgSetupFileCorrupted, kExitCorrupted},
  };
  for (const auto& row : kCodes)
    if (row.text == textId) return row.code;
  return kExitInstallFailed;
}

}  // namespace setup
