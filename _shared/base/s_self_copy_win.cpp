#include "s_self_copy_win.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "s_format.h"
#include "s_handle_win.h"

namespace self_copy {
namespace {

// System and administrators only; nothing inherited from Windows\Temp, where every
// user may create files.
constexpr char kAdminsOnly[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr int kNameAttempts = 16;
constexpr ULONGLONG kStaleAfter = 3600ull * 10'000'000ull;  // FILETIME units

std::string CopiesFolder(bool elevated) {
  char path[MAX_PATH] = {};
  if (elevated) {
    const UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path - 6) return {};
    return std::string(path, length) + "\\Temp\\";
  }
  const DWORD length = GetTempPathA(sizeof path, path);
  return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

std::string OwnPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

}  // namespace

bool RunsElevated() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

std::string MakeSelfCopy(const char* prefix, const char* fileName, bool elevated) {
  const std::string base = CopiesFolder(elevated), own = OwnPath();
  if (base.empty() || own.empty()) return {};
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
  std::unique_ptr<void, LocalFreer> descriptor;
  if (elevated) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdminsOnly, SDDL_REVISION_1, &made,
                                                              nullptr))
      return {};
    descriptor.reset(made);
    security.lpSecurityDescriptor = made;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    unsigned long long random = 0;
    if (!RtlGenRandom(&random, sizeof random)) return {};
    char name[17];
    FormatHex16(random, name);
    const std::string folder = base + prefix + "-" + name;
    if (!CreateDirectoryA(folder.c_str(), elevated ? &security : nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return {};
    }
    const std::string copy = folder + "\\" + fileName;
    if (CopyFileA(own.c_str(), copy.c_str(), TRUE)) return copy;
    RemoveDirectoryA(folder.c_str());
    return {};
  }
  return {};
}

bool ScheduleRemoval(const std::string& copyPath) {
  const std::string folder = copyPath.substr(0, copyPath.find_last_of('\\'));
  return MoveFileExA(copyPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) &&
         MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void RemoveEarlierCopies(const char* prefix, bool elevated) {
  const std::string base = CopiesFolder(elevated);
  if (base.empty()) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG nowTicks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  WIN32_FIND_DATAA found;
  const handles::Find find(FindFirstFileA((base + prefix + "-*").c_str(), &found));
  if (!find) return;
  std::vector<std::string> folders;
  do {
    const ULONGLONG made = (ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32) |
                           found.ftLastWriteTime.dwLowDateTime;
    // A link is never entered; a young folder may belong to a run that is starting.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
        made + kStaleAfter < nowTicks)
      folders.push_back(base + found.cFileName);
  } while (FindNextFileA(find.get(), &found));
  for (const std::string& folder : folders) {
    // Kept open without delete sharing and not through a link, the folder cannot be
    // swapped for a junction to somewhere else while its files are deleted (under the
    // Windows folder's Temp every user may make folders of this name).
    handles::Handle pinned(CreateFileA(
        folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    const bool plain = pinned && GetFileInformationByHandle(pinned.get(), &info) &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (plain) {
      const handles::Find files(FindFirstFileA((folder + "\\*").c_str(), &found));
      for (bool more = bool(files); more; more = FindNextFileA(files.get(), &found)) {
        // A running copy cannot be deleted and keeps its folder: as it should be. A
        // link is deleted as itself.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
          DeleteFileA((folder + "\\" + found.cFileName).c_str());
      }
    }
    pinned.reset();  // the folder can go only once nothing holds it
    if (plain) RemoveDirectoryA(folder.c_str());
  }
}

}  // namespace self_copy
