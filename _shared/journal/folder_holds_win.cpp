#include "folder_holds_win.h"

#include <algorithm>

#include "name_rule.h"

namespace journal {

std::string FolderHolds::Hold(const std::string& name) {
  for (std::size_t slash = name.find('\\'); slash != std::string::npos;
       slash = name.find('\\', slash + 1)) {
    const std::string level = name.substr(0, slash);
    if (std::any_of(held_.begin(), held_.end(), [&level](const std::string& other) {
          return installation::SameName(other, level);
        }))
      continue;
    const std::string path = dir_ + "\\" + level;
    // The name is asked as well as the handle: Wine shows a host's link only there.
    const DWORD named = GetFileAttributesA(path.c_str());
    if (named == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
      return level;
    }
    if ((named & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return level;
    handles::Handle folder(CreateFileA(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return level;
    held_.push_back(level);
    handles_.push_back(std::move(folder));
  }
  return {};
}

void FolderHolds::Release(const std::string& level) {
  for (std::size_t i = held_.size(); i-- > 0;) {
    const std::string& held = held_[i];
    if (installation::SameName(held.substr(0, level.size()), level) &&
        (held.size() == level.size() || held[level.size()] == '\\')) {
      held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(i));
      handles_.erase(handles_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace journal
