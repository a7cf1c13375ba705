#include "uninstall_work_win.h"

#include <shlobj.h>

#include <memory>
#include <vector>

#include "apply_journal.h"
#include "fixed_names.h"
#include "removal_plan.h"
#include "s_created_record.h"
#include "s_handle_win.h"
#include "s_lang.h"
#include "s_lang_ids.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_small_file_win.h"
#include "s_tree_remover_win.h"
#include "uninstall_decisions.h"
#include "uninstall_registry_win.h"

namespace uninstall {
namespace {

using tree::Outcome;
using tree::Result;
using tree::TreeRemover;

constexpr char kUnit[] = "_uninstall/uninstall_work";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::uint32_t kMsgDeleteFailed = 108;
using installation::kUpdaterKey;

std::string ReadString(HKEY root, const char* key, const char* name) {
  char buffer[256] = {};
  return CReg::Instance()->ReadString(root, key, name, buffer, sizeof buffer) ? buffer : "";
}

bool SameDir(std::string a, std::string b) {
  while (!a.empty() && a.back() == '\\') a.pop_back();
  while (!b.empty() && b.back() == '\\') b.pop_back();
  return SameName(a, b);
}

std::string Up(const std::string& path) {
  return path.substr(0, path.find_last_of('\\'));
}

class Failures {
 public:
  explicit Failures(RemovalObserver& o) : observer_(o) {}
  void Add(const std::string& what, DWORD error, std::uint32_t messageId = kMsgDeleteFailed) {
    ok = false;
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot remove %s (error %lu)", what.c_str(), error);
    observer_.Failed(what, messageId);
  }
  void Take(const std::string& path, const Result& result, bool mustGo = false) {
    if (result.outcome == Outcome::Failed) Add(path, result.error);
    if (result.outcome == Outcome::NotEmpty && mustGo) Add(path, ERROR_DIR_NOT_EMPTY);
  }
  // A file outside the installation (a link): only "not there" counts as gone.
  void RemovePlainFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) Add(path, error);
  }
  bool ok = true;

 private:
  RemovalObserver& observer_;
};

struct Lists {
  InstallList entries;
  std::vector<std::string> names;  // the lists themselves, the record last
  created::CreatedRecord record;
  bool haveRecord = false;  // an installation made before records were kept has none
};

bool ReadLists(const std::string& base, Lists& lists, Failures& failures) {
  WIN32_FIND_DATAA found;
  const handles::Find find(FindFirstFileA((base + kListFolder + "\\*.lst").c_str(), &found));
  if (!find) {
    failures.Add(base + kListFolder, GetLastError());
    return false;
  }
  bool& haveRecord = lists.haveRecord;
  bool readRecord = false;
  do {
    const std::string name = std::string(kListFolder) + "\\" + found.cFileName;
    std::string text;
    const bool isRecord = SameName(name, created::kRecordName);
    if ((!isRecord && !IsListFileName(name)) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      continue;
    if (DWORD error = ERROR_SUCCESS;
        !ReadSmallFile(base + name, installation::kMaxListBytes, text, error)) {
      failures.Add(base + name, error);
      continue;
    }
    if (isRecord) {
      // One not understood counts as none, and goes with the lists all the same.
      haveRecord = created::ReadCreatedRecord(text, lists.record);
      CLog::Instance()->Log(1, kUnit, __LINE__, "record %s",
                            haveRecord ? "read" : "not understood");
      readRecord = true;
      continue;
    }
    const int refused = ReadInstallList(text, lists.entries);
    CLog::Instance()->Log(1, kUnit, __LINE__, "list %s, %i lines refused", name.c_str(), refused);
    lists.names.push_back(name);
  } while (FindNextFileA(find.get(), &found));
  if (lists.names.empty() && failures.ok)
    failures.Add(base + kListFolder + "\\*.lst", ERROR_FILE_NOT_FOUND);
  if (readRecord) lists.names.push_back(created::kRecordName);
  return failures.ok;
}

// The folders emptied wholesale and what is in them now, or a refusal.
bool Everything(const Installation& in, const created::CreatedRecord& record, TreeRemover& tree,
                std::vector<TreeEntry>& out, Failures& failures, bool& refused) {
  const GuardFacts facts = GatherGuardFacts();
  std::vector<std::string> roots = WholesaleRoots(record);
  for (const std::string& root : roots) {
    const std::string folder = root.empty() ? in.dir : in.dir + "\\" + root;
    for (const std::string& checked : {in.dir, folder}) {
      const Wholesale verdict = MayEmptyWholesale(checked, facts);
      if (verdict == Wholesale::Allowed) continue;
      CLog::Instance()->Log(1, kUnit, __LINE__, "refused to empty %s (%i)", checked.c_str(),
                            static_cast<int>(verdict));
      refused = true;
      return false;
    }
    DWORD error = ERROR_SUCCESS;
    if (!root.empty()) out.push_back({root, true});
    if (!tree.List(root, out, error)) failures.Add(folder, error);
  }
  // Without a folder of its own the installation folder itself is still checked.
  if (roots.empty() && MayEmptyWholesale(in.dir, facts) != Wholesale::Allowed) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "refused to empty %s", in.dir.c_str());
    refused = true;
    return false;
  }
  // The lock this run holds is no file of the player's: it goes when released.
  std::erase_if(out, [](const TreeEntry& entry) {
    return SameName(entry.name, installation::kLockFileName);
  });
  return failures.ok;
}

// One of the product's own folders and everything in it, links removed as links; a
// link in the folder's own place is left and named.
void RemoveWholeFolder(TreeRemover& tree, const std::string& base, const std::string& folder,
                       Failures& failures) {
  failures.Take(base + folder, tree.RemoveTree(folder));
}

// What the updater keeps, by its fixed names: the journal, the server list, its replaced
// program, the staging and download folders in the installation, the player's downloads and
// settings.
void RemoveUpdaterNames(const Installation& in, TreeRemover& tree, Failures& failures) {
  const std::string base = in.dir + "\\";
  for (const char* file :
       {journal::kJournalName, installation::kServerListName, installation::kReplacedUpdaterName,
        installation::kPatchNotesNames[0], installation::kPatchNotesNames[1]})
    failures.Take(base + file, tree.RemoveFile(file));
  RemoveWholeFolder(tree, base, journal::kStagingFolder, failures);
  RemoveWholeFolder(tree, base, installation::kDownloadFolder, failures);
  char local[MAX_PATH] = {};
  if (SUCCEEDED(
          SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local))) {
    TreeRemover player(std::string(local) + "\\Tidemoor");
    RemoveWholeFolder(player, std::string(local) + "\\Tidemoor\\", installation::kDownloadFolder,
                      failures);
  }
  // An all-users installation's accepted feed keys live below the machine's product key.
  for (const HKEY root : {HKEY_CURRENT_USER, in.root}) {
    const LSTATUS status = RegDeleteTreeA(root, kUpdaterKey);
    if (status == ERROR_SUCCESS)
      RegDeleteKeyA(root, kUpdaterKey);
    else if (status != ERROR_FILE_NOT_FOUND)
      failures.Add(kUpdaterKey, static_cast<DWORD>(status), kMsgRegistryAccessFailure);
  }
}

void RemoveLinks(const Installation& in, const Lists& lists, Failures& failures) {
  const bool allUsers = in.root == HKEY_LOCAL_MACHINE;
  const std::string desktop = allUsers
                                  ? ReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop")
                                  : ReadString(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  std::string programs =
      allUsers ? ReadString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs") : "";
  if (programs.empty()) programs = ReadString(HKEY_CURRENT_USER, kShellFolders, "Programs");
  if (!desktop.empty())
    for (const std::string& link : lists.entries.desktopLinks)
      failures.RemovePlainFile(desktop + "\\" + link);
  std::vector<std::string> levels;
  if (programs.empty() || !created::SplitGroup(in.group, levels)) return;
  const std::string group = programs + "\\" + in.group;
  for (std::uint32_t id : lists.entries.shortcutIds)
    if (const char* name = CLang::GetText(id); name != nullptr)
      failures.RemovePlainFile(group + "\\" + name);
  for (const std::string& link : lists.entries.readmeLinks[in.language])
    failures.RemovePlainFile(group + "\\" + link);
  // The levels the installation made, deepest first, each when empty; the programs
  // folder never. Without a record only the group's own level, as it always was.
  const std::size_t made =
      std::min<std::size_t>(lists.haveRecord ? lists.record.groupLevels : 1, levels.size());
  std::string level = group;
  for (std::size_t i = 0; i < made && RemoveDirectoryA(level.c_str()); ++i) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "removed the group's level %s", level.c_str());
    level = Up(level);
  }
}

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

RemovalOutcome RemoveInstallation(const Installation& in, const RemovalRequest& request,
                                  RemovalObserver& observer) {
  RemovalOutcome outcome;
  const std::string base = in.dir + "\\";
  Failures failures(observer);
  Lists lists;
  TreeRemover tree(in.dir);
  std::vector<TreeEntry> found;
  // Nothing is removed unless the entry may go, every list was read and, for
  // everything, every folder.
  if (const LSTATUS status = MayRemoveUninstallEntry(in.dir, in.entryByAdministrator);
      status != ERROR_SUCCESS)
    failures.Add(kUninstallKey, static_cast<DWORD>(status), kMsgRegistryAccessFailure);
  if (!failures.ok || !ReadLists(base, lists, failures) ||
      (request.everything &&
       !Everything(in, lists.record, tree, found, failures, outcome.refused))) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "nothing removed");
    return outcome;
  }
  // Asked once the lists are read and before anything goes: declined, nothing is removed.
  if (in.entryByAdministrator) {
    if (const LSTATUS status = RemoveMachineEntryByAdministrator(in.dir); status != ERROR_SUCCESS) {
      failures.Add(kUninstallKey, static_cast<DWORD>(status), kMsgRegistryAccessFailure);
      CLog::Instance()->Log(1, kUnit, __LINE__, "nothing removed");
      return outcome;
    }
  }
  outcome.createdLevels = lists.record.installLevels;
  const RemovalPlan plan = PlanRemoval(lists.entries, lists.names, found);

  const std::uint32_t total = static_cast<std::uint32_t>(plan.files.size() + 3);
  std::uint32_t done = 0;
  for (const std::string& file : plan.files) {
    if (!SameName(file, kUninstallerName)) {
      observer.Status(file.c_str());
      failures.Take(base + file, tree.RemoveFile(file));
    }
    observer.Progress(++done, total);
  }
  RemoveUpdaterNames(in, tree, failures);
  observer.Status(CLang::GetText(109));
  RemoveLinks(in, lists, failures);
  observer.Progress(++done, total);

  if (failures.ok) {
    if (const LSTATUS status = RemoveProductKey(in.root, request.everything);
        status != ERROR_SUCCESS)
      failures.Add(kProductKey, static_cast<DWORD>(status), kMsgRegistryAccessFailure);
  }
  // Kept after a failure: they tell the next run what is still to go.
  if (failures.ok) {
    for (const std::string& list : plan.listFiles)
      failures.Take(base + list, tree.RemoveFile(list));
    if (!request.leaveUninstaller)
      failures.Take(base + kUninstallerName, tree.RemoveFile(kUninstallerName));
  }
  observer.Progress(++done, total);

  for (std::size_t i = 0; i < plan.directories.size(); ++i)
    failures.Take(base + plan.directories[i], tree.RemoveFolder(plan.directories[i]),
                  plan.mustGo[i]);
  tree.Unpin();
  // The lock's file is in the installation folder, which goes only without it.
  if (!request.leaveUninstaller && request.lock != nullptr) request.lock->Release();
  if (!request.leaveUninstaller && !RemoveCreatedFolders(in.dir, outcome.createdLevels) &&
      request.everything && lists.record.installLevels > 0)
    failures.Add(in.dir, GetLastError());
  if (failures.ok) {
    if (const LSTATUS status = RemoveUninstallEntry(in.dir); status != ERROR_SUCCESS)
      failures.Add(kUninstallKey, static_cast<DWORD>(status), kMsgRegistryAccessFailure);
  }
  observer.Progress(++done, total);
  CLog::Instance()->Log(1, kUnit, __LINE__, "finished, %s",
                        failures.ok ? "all removed" : "failures");
  outcome.ok = failures.ok;
  return outcome;
}

bool RemoveUninstallerAndFolders(const std::string& dir, unsigned levels, CProductLock& lock) {
  TreeRemover tree(dir);
  const Result result = tree.RemoveFile(kUninstallerName);
  tree.Unpin();
  lock.Release();  // its file would keep the folder
  if (result.outcome == Outcome::Failed) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot remove %s\\%s (error %lu)", dir.c_str(),
                          kUninstallerName, result.error);
    return false;
  }
  return RemoveCreatedFolders(dir, levels);
}

bool RemoveCreatedFolders(const std::string& dir, unsigned levels) {
  std::string folder = dir;
  if (!RemoveDirectoryA(folder.c_str())) return false;
  for (unsigned level = 1; level < levels && folder.find('\\') != std::string::npos; ++level) {
    folder = Up(folder);
    if (!RemoveDirectoryA(folder.c_str())) break;
  }
  return true;
}

}  // namespace uninstall
