#include "elevated_apply_win.h"

#include <windows.h>

#include "s_folder_rights_win.h"
#include "s_handle_win.h"
#include "s_run_elevated_win.h"
#include "update_files_win.h"
#include "update_session_win.h"

namespace updater {

namespace {

// The child's exit code back into how it ended.
Finish FinishOfCode(DWORD code) {
  for (const Finish finish : {Finish::kUpdated, Finish::kNoConnection, Finish::kVerificationFailed,
                              Finish::kFileHeld, Finish::kClientTooOld, Finish::kNothingToFetch,
                              Finish::kNeedsRights, Finish::kFolderUnprotected})
    if (static_cast<DWORD>(ExitCode(finish)) == code) return finish;
  return Finish::kFailed;
}

}  // namespace

Finish RunElevatedApply(const std::string& installDir, const UpdaterCommand& command,
                        const std::string& folder, bool selfUpdate) {
  UpdaterCommand child = command;
  child.apply = !selfUpdate;
  child.selfUpdate = selfUpdate;
  child.continued = false;
  child.downloads = folder;
  const std::string parameters = ApplyCommandTail(child);
  const std::string own = installDir + "\\" + kUpdaterProgramName;
  const std::string& directory = installDir;
  // The program the prompt would start with the machine's rights must be one no other
  // account could have replaced.
  if (!folder_rights::CheckFolders(installDir, true).safe) return Finish::kFolderUnprotected;
  DWORD code = 1;
  if (!elevated::RunAndWait(own, parameters, directory, code)) return Finish::kNeedsRights;
  return FinishOfCode(code);
}

void RemoveUserDownloads(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  {
    const handles::Find search(FindFirstFileA((folder + "\\*").c_str(), &found));
    for (bool more = bool(search); more; more = FindNextFileA(search.get(), &found))
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace updater
