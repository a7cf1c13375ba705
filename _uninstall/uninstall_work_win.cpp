#include "uninstall_work_win.h"

#include <memory>
#include <vector>

#include "removal_plan.h"
#include "s_lang.h"
#include "s_logging.h"
#include "s_registry_win.h"

namespace uninstall {
namespace {

constexpr char kUnit[] = "_uninstall/uninstall_work";
constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr DWORD kMaxListBytes = 16u << 20;

struct FindCloser {
  void operator()(HANDLE h) const { FindClose(h); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;
struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadString(HKEY root, const char* key, const char* name) {
  char buffer[256] = {};
  return CReg::Instance()->ReadString(root, key, name, buffer, sizeof buffer) ? buffer : "";
}

bool SameDir(std::string a, std::string b) {
  while (!a.empty() && a.back() == '\\') a.pop_back();
  while (!b.empty() && b.back() == '\\') b.pop_back();
  return SameName(a, b);
}

bool ReadSmallFile(const std::string& path, std::string& text) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return false;
  }
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > kMaxListBytes) return false;
  text.assign(size, '\0');
  DWORD read = 0;
  return size == 0 || (ReadFile(file.get(), text.data(), size, &read, nullptr) && read == size);
}

// Everything under `dir`, folders before their contents. A junction is listed as a
// folder but not entered, so nothing outside the installation is reached.
void Walk(const std::string& base, const std::string& relative, std::vector<TreeEntry>& out) {
  WIN32_FIND_DATAA found;
  const std::string pattern = base + (relative.empty() ? "" : "\\" + relative) + "\\*";
  FindHandle find(FindFirstFileA(pattern.c_str(), &found));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    return;
  }
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.push_back({path, directory});
    if (directory && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
      Walk(base, path, out);
  } while (FindNextFileA(find.get(), &found));
}

class Remover {
 public:
  explicit Remover(RemovalObserver& o) : observer_(o) {}

  void File(const std::string& path) {
    if (!Exists(path)) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path.c_str())) return;
    Fail(path);
  }
  // Only an empty folder goes; one the player still uses is no failure.
  void Folder(const std::string& path) {
    if (!Exists(path) || RemoveDirectoryA(path.c_str())) return;
    if (GetLastError() != ERROR_DIR_NOT_EMPTY) Fail(path);
  }
  void Fail(const std::string& path) {
    ok = false;
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot remove %s (error %lu)", path.c_str(),
                          GetLastError());
    observer_.Failed(path);
  }
  bool ok = true;

 private:
  RemovalObserver& observer_;
};

}  // namespace

bool FindInstallation(const std::string& dir, Installation& installation) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    if (!SameDir(ReadString(root, kProductKey, "InstallDir"), dir)) continue;
    DWORD language = 1;
    CReg::Instance()->ReadDWord(root, kProductKey, "Language", language);
    installation = {dir, root, language == 0 ? 0u : 1u,
                    ReadString(root, kProductKey, "StartMenuGroup")};
    while (!installation.dir.empty() && installation.dir.back() == '\\')
      installation.dir.pop_back();
    return true;
  }
  return false;
}

bool RemoveInstallation(const Installation& in, bool everything, RemovalObserver& observer) {
  const std::string base = in.dir + "\\";
  InstallList lists;
  std::vector<std::string> listFiles;
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA((base + kListFolder + "\\*.lst").c_str(), &found));
  if (find.get() != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = std::string(kListFolder) + "\\" + found.cFileName;
      std::string text;
      if (!IsListFileName(name) || !ReadSmallFile(base + name, text)) continue;
      const int refused = ReadInstallList(text, lists);
      CLog::Instance()->Log(1, kUnit, __LINE__, "list %s, %i lines refused", name.c_str(), refused);
      listFiles.push_back(name);
    } while (FindNextFileA(find.get(), &found));
  } else {
    find.release();
  }
  std::vector<TreeEntry> tree;
  if (everything) Walk(in.dir, "", tree);
  const RemovalPlan plan = PlanRemoval(lists, listFiles, tree);

  Remover remove(observer);
  const std::uint32_t total = static_cast<std::uint32_t>(plan.files.size() + 3);
  std::uint32_t done = 0;
  for (const std::string& file : plan.files) {
    observer.Status(file.c_str());
    remove.File(base + file);
    observer.Progress(++done, total);
  }
  // Kept after a failure: they tell the next run what is still to go.
  if (remove.ok)
    for (const std::string& list : plan.listFiles) remove.File(base + list);
  observer.Progress(++done, total);

  observer.Status(CLang::GetText(109));
  const bool allUsers = in.root == HKEY_LOCAL_MACHINE;
  const std::string desktop = allUsers
                                  ? ReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop")
                                  : ReadString(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  std::string programs =
      allUsers ? ReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs") : "";
  if (programs.empty()) programs = ReadString(HKEY_CURRENT_USER, kShellFolders, "Programs");
  if (!desktop.empty())
    for (const std::string& link : lists.desktopLinks) remove.File(desktop + "\\" + link);
  if (!programs.empty() && !in.group.empty()) {
    const std::string group = programs + "\\" + in.group + "\\";
    for (std::uint32_t id : lists.shortcutIds)
      if (const char* name = CLang::GetText(id); name != nullptr) remove.File(group + name);
    for (const std::string& link : lists.readmeLinks[in.language]) remove.File(group + link);
    remove.Folder(programs + "\\" + in.group);
  }
  observer.Progress(++done, total);

  for (const std::string& directory : plan.directories) remove.Folder(base + directory);
  remove.Folder(in.dir);
  if (remove.ok) {
    CReg& reg = *CReg::Instance();
    if (!reg.DeleteKey(in.root, kProductKey)) remove.Fail(kProductKey);
    // The entry is where Setup could write it: the machine's, or the user's.
    const std::string command = "\"" + base + kUninstallerName + "\"";
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      const std::string registered = ReadString(root, kUninstallKey, "UninstallString");
      if ((SameName(registered, command) || SameName(registered, base + kUninstallerName)) &&
          !reg.DeleteKey(root, kUninstallKey))
        remove.Fail(kUninstallKey);
    }
  }
  observer.Progress(++done, total);
  CLog::Instance()->Log(1, kUnit, __LINE__, "finished, %s", remove.ok ? "all removed" : "failures");
  return remove.ok;
}

}  // namespace uninstall
