// The access lists of folders on the machine: made protected for an all-users
// installation, and read for the decision in folder_rights.h.
#pragma once
#include <windows.h>

#include <string>

#include "folder_rights.h"

namespace folder_rights {

// A new folder with the all-users installation's protected list (kProtectedFolderSddl);
// false with GetLastError as CreateDirectoryA leaves it.
bool MakeProtectedFolder(const char* path);

// The folder's owner and access list as SDDL text, as Windows reports them; empty when
// they cannot be read.
std::string SystemSecurityText(const std::string& path);

// What the decision is made on. Chosen at link time: tdm_folder_security gives
// SystemSecurityText; the Wine tests' stand-in counts the account that runs them (which
// Wine makes the owner of every file) as the Administrators group.
std::string SecurityText(const std::string& path);

// The first level of an installation's folders that fails the rule, if any.
struct FolderCheck {
  bool safe = true;
  std::string level;  // the level that failed
  installation::FolderRights verdict = installation::FolderRights::kSafe;
  std::string text;  // its owner and list, as read
};

// Each level of `directory` from the root down, judged on SecurityText and logged when it
// fails. `missingFails`: a level not there fails (an installed folder); otherwise the
// check ends at the first missing level, which Setup makes with the protected list.
FolderCheck CheckFolders(const std::string& directory, bool missingFails);

// For an elevated step about to change the all-users installation in `installDir`:
// CheckFolders, and the failing levels PlanFolderRepair lets it give the protected list
// (those Setup made, as its record in the installation says), replacing the lists of
// everything inside the installation folder; then checked again.
FolderCheck SecureInstallationFolders(const std::string& installDir);

}  // namespace folder_rights
