// The access lists of folders on the machine: made protected for an all-users
// installation, and read for the decision in folder_rights.h.
#pragma once
#include <windows.h>

#include <string>

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

}  // namespace folder_rights
