// The folders an all-users installation makes, made with its protected access list.
#pragma once
#include <windows.h>

namespace folder_rights {

// A new folder with the all-users installation's protected list (kProtectedFolderSddl);
// false with GetLastError as CreateDirectoryA leaves it.
bool MakeProtectedFolder(const char* path);

}  // namespace folder_rights
