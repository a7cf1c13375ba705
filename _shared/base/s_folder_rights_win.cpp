#include "s_folder_rights_win.h"

#include <sddl.h>

#include "folder_rights.h"

namespace folder_rights {

bool MakeProtectedFolder(const char* path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(installation::kProtectedFolderSddl,
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const BOOL made = CreateDirectoryA(path, &attributes);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return made != 0;
}

}  // namespace folder_rights
