#include "s_tree_remover_win.h"

namespace tree {
namespace {

bool IsGoneError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string Parent(const std::string& relative) {
  const std::size_t slash = relative.find_last_of('\\');
  return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

// The levels from the base down to `folder`: "", "a", "a\b".
std::vector<std::string> Chain(const std::string& folder) {
  std::vector<std::string> chain{""};
  for (std::size_t at = 0; !folder.empty(); ++at) {
    at = folder.find('\\', at);
    chain.push_back(folder.substr(0, at));
    if (at == std::string::npos) break;
  }
  return chain;
}

}  // namespace

void TreeRemover::Unpin() {
  pinned_.clear();
}

TreeRemover::Pinned TreeRemover::Pin(const std::string& folder, DWORD& error) {
  const std::vector<std::string> chain = Chain(folder);
  std::size_t keep = 0;
  // Names compared as given: a level spelled otherwise is only opened and checked anew.
  while (keep < pinned_.size() && keep < chain.size() && pinned_[keep].first == chain[keep]) ++keep;
  while (pinned_.size() > keep) pinned_.pop_back();
  for (std::size_t level = keep; level < chain.size(); ++level) {
    const std::string path = chain[level].empty() ? base_ : base_ + "\\" + chain[level];
    // The base itself may be reached through a link; nothing below it is.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (level == 0 ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    handles::Handle handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       flags, nullptr));
    if (!handle) {
      error = GetLastError();
      return IsGoneError(error) ? Pinned::Gone : Pinned::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) {
      error = GetLastError();
      return Pinned::Failed;
    }
    // A link or a file in a folder's place: what the lists name below it is not there.
    // The name is asked too: Wine shows a host's symbolic link only there. Only a
    // folder that passed is kept, so a later call never skips the check.
    const DWORD named = GetFileAttributesA(path.c_str());
    const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                      (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT));
    if ((level > 0 && link) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return Pinned::Link;
    pinned_.emplace_back(chain[level], std::move(handle));
  }
  return Pinned::Yes;
}

Result TreeRemover::Dispose(const std::string& relative, bool folder) {
  DWORD error = ERROR_SUCCESS;
  switch (Pin(Parent(relative), error)) {
    case Pinned::Yes:
      break;
    case Pinned::Gone:
    case Pinned::Link:
      return {Outcome::Gone};
    case Pinned::Failed:
      return {Outcome::Failed, error};
  }
  const std::string path = base_ + "\\" + relative;
  const handles::Handle handle(
      CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) {
    error = GetLastError();
    return IsGoneError(error) ? Result{Outcome::Gone} : Result{Outcome::Failed, error};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = GetFileInformationByHandle(handle.get(), &info) != 0;
  const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A link where one of the product's folders belongs is left for the user to see. So
  // is a name that is a link while the handle is not: the open went through the link
  // (as Wine's does for a host's link), and what the handle holds is not ours to delete.
  const DWORD named = GetFileAttributesA(path.c_str());
  const bool namedLink =
      named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (ok && ((folder && (link || namedLink)) || (!link && namedLink)))
    return {Outcome::Failed, kLinkInTheWay};
  if (ok && !link && isFolder != folder)
    return {Outcome::Failed, static_cast<DWORD>(folder ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED)};
  if (ok && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes =
        (info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY) | (isFolder ? 0 : FILE_ATTRIBUTE_NORMAL);
    ok = SetFileInformationByHandle(handle.get(), FileBasicInfo, &basic, sizeof basic) != 0;
  }
  FILE_DISPOSITION_INFO dispose{TRUE};
  ok =
      ok && SetFileInformationByHandle(handle.get(), FileDispositionInfo, &dispose, sizeof dispose);
  error = ok ? ERROR_SUCCESS : GetLastError();
  if (ok) return {Outcome::Removed};
  return error == ERROR_DIR_NOT_EMPTY ? Result{Outcome::NotEmpty} : Result{Outcome::Failed, error};
}

Result TreeRemover::RemoveFile(const std::string& relative) {
  return Dispose(relative, false);
}

Result TreeRemover::RemoveFolder(const std::string& relative) {
  return Dispose(relative, true);
}

bool TreeRemover::List(const std::string& relative, std::vector<TreeEntry>& out, DWORD& error) {
  switch (Pin(relative, error)) {
    case Pinned::Yes:
      break;
    case Pinned::Gone:
    case Pinned::Link:
      return true;
    case Pinned::Failed:
      return false;
  }
  const std::string folder = relative.empty() ? base_ : base_ + "\\" + relative;
  WIN32_FIND_DATAA found;
  const handles::Find find(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!find) {
    error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND;
  }
  std::vector<std::string> below;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.push_back({path, directory});
    if (directory && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
      below.push_back(path);
  } while (FindNextFileA(find.get(), &found));
  error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) return false;
  for (const std::string& folderBelow : below)
    if (!List(folderBelow, out, error)) return false;
  return true;
}

Result TreeRemover::RemoveTree(const std::string& relative) {
  DWORD error = ERROR_SUCCESS;
  switch (Pin(relative, error)) {
    case Pinned::Yes:
      break;
    case Pinned::Gone:
      return {Outcome::Gone};
    case Pinned::Link:
      return {Outcome::Failed, kLinkInTheWay};
    case Pinned::Failed:
      return {Outcome::Failed, error};
  }
  std::vector<TreeEntry> entries;
  if (!List(relative, entries, error)) return {Outcome::Failed, error};
  // Contents before their folders; the first failure is the one to report, the rest
  // is still tried.
  Result first{Outcome::Removed};
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    const Result step = entry->directory ? RemoveFolder(entry->name) : RemoveFile(entry->name);
    if (first.outcome == Outcome::Removed &&
        (step.outcome == Outcome::Failed || step.outcome == Outcome::NotEmpty))
      first = step;
  }
  // Pinning its parent lets go of the folder itself.
  return first.outcome != Outcome::Removed ? first : RemoveFolder(relative);
}

}  // namespace tree
