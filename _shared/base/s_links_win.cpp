#include "s_links_win.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "s_created_record.h"
#include "s_registry_win.h"

namespace links {
namespace {

constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool ReadShellFolder(char (&field)[kFolderSize], HKEY root, const char* value, int csidl) {
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

bool DesktopFolder(bool currentUser, char (&field)[kFolderSize]) {
  return currentUser ? ReadShellFolder(field, HKEY_CURRENT_USER, "Desktop", CSIDL_DESKTOPDIRECTORY)
                     : ReadShellFolder(field, HKEY_LOCAL_MACHINE, "Common Desktop",
                                       CSIDL_COMMON_DESKTOPDIRECTORY);
}

bool ProgramsFolder(bool currentUser, char (&field)[kFolderSize]) {
  if (currentUser) return ReadShellFolder(field, HKEY_CURRENT_USER, "Programs", CSIDL_PROGRAMS);
  char common[kFolderSize];
  const bool commonRead = CReg::Instance()->ReadString(HKEY_LOCAL_MACHINE, kShellFolders,
                                                       "Common Programs", common, sizeof common) &&
                          common[0] != '\0';
  if (commonRead) std::memcpy(field, common, sizeof field);
  // Without the machine's programs folder the group goes to the user's own.
  return commonRead || ReadShellFolder(field, HKEY_CURRENT_USER, "Programs", CSIDL_PROGRAMS);
}

bool MakeGroupLevels(const std::string& programsFolder, const std::string& group, unsigned& made) {
  std::vector<std::string> levels;
  if (!created::SplitGroup(group, levels)) return false;
  std::string path = programsFolder;
  for (const std::string& level : levels) {
    path += "\\" + level;
    if (IsDirectory(path)) continue;
    if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
    ++made;
  }
  return path == programsFolder + "\\" + group;
}

bool MakeLink(const std::string& link, const std::string& target, const std::string& directory) {
  if (link.size() >= kFolderSize || target.size() >= kFolderSize) return false;
  return CReg::Instance()->CreateShellLink(link.c_str(), target.c_str(), nullptr, directory.c_str(),
                                           SW_SHOWNORMAL, nullptr, 0);
}

}  // namespace links
