#include "journal_ops_win.h"

#include <string_view>

#include "apply_links.h"
#include "product_identity.h"
#include "s_links_win.h"
#include "s_logging.h"
#include "s_small_file_win.h"
#include "s_tree_remover_win.h"
#include "s_uninstall_entry_win.h"

namespace journal {
namespace {

constexpr char kUnit[] = "_shared/journal/journal_ops";
constexpr int kAttempts = 5;
constexpr DWORD kRetryPauseMs = 200;
constexpr DWORD kMaxLinkPlanBytes = 64 * 1024;

const char* OpName(Op op) {
  switch (op) {
    case Op::kWriteHeader:
      return "write the journal's header";
    case Op::kAppend:
      return "append";
    case Op::kMoveAside:
      return "move aside";
    case Op::kPlace:
      return "place";
    case Op::kTakeBack:
      return "take back";
    case Op::kRestore:
      return "restore";
    case Op::kDeleteBackup:
      return "delete the backup of";
    case Op::kDeleteObsolete:
      return "delete obsolete";
    case Op::kMakeFolder:
      return "make folder";
    case Op::kRemoveFolder:
      return "remove folder";
    case Op::kRemoveJournal:
      return "remove the journal";
    case Op::kRemoveStaging:
      return "remove the staging folder";
  }
  return "?";
}

// What another process holding a file for a moment looks like.
bool Passing(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

DWORD DeleteIfThere(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileA(path.c_str())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
}

// The staging folder and whatever is in it, through the walker that holds each folder
// open and never follows a link: a link in the staging folder's place is left alone and
// fails the step, so a planted junction never leads the removal into another folder.
DWORD RemoveStagingFolder(const std::string& installDir) {
  tree::TreeRemover walker(installDir);
  const tree::Result result = walker.RemoveTree(kStagingFolder);
  switch (result.outcome) {
    case tree::Outcome::Removed:
    case tree::Outcome::Gone:
      return ERROR_SUCCESS;
    case tree::Outcome::NotEmpty:
      return ERROR_DIR_NOT_EMPTY;
    case tree::Outcome::Failed:
      break;
  }
  if (result.error == tree::kLinkInTheWay)
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s\\%s is a link or a file, not the staging folder",
                          installDir.c_str(), kStagingFolder);
  return result.error;
}

bool MakeLinks(const std::string& installDir, const LinkPlan& plan) {
  char programs[links::kFolderSize] = {};
  unsigned made = 0;
  if (!links::ProgramsFolder(!plan.allUsers, programs) ||
      !links::MakeGroupLevels(programs, plan.group, made)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "the start-menu group %s cannot be made",
                          plan.group.c_str());
    return false;
  }
  bool all = true;
  for (const GroupLink& link : plan.links) {
    const std::string path = std::string(programs) + "\\" + plan.group + "\\" + link.name;
    const bool ok = links::MakeLink(path, installDir + "\\" + link.target, installDir);
    CLog::Instance()->Log(1, kUnit, __LINE__, "link %s -> %s%s", path.c_str(), link.target.c_str(),
                          ok ? "" : ": failed");
    all = all && ok;
  }
  return all;
}

// A folder already there is fine; a file of that name in the way is a failure, found
// before any move into it.
DWORD MakeFolder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return FolderExists(path) ? ERROR_SUCCESS : error;
}

bool ReadLinkPlanFile(const std::string& path, LinkPlan& plan) {
  std::string bytes;
  DWORD error = ERROR_SUCCESS;
  // A plan as long as the limit is not one this code wrote.
  return ReadSmallFile(path, kMaxLinkPlanBytes - 1, bytes, error) && ReadLinkPlan(bytes, plan);
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD MakeParentFolders(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos || slash == 0) return ERROR_SUCCESS;
  const std::string parent = path.substr(0, slash);
  if (FolderExists(parent)) return ERROR_SUCCESS;
  if (const DWORD error = MakeParentFolders(parent); error != ERROR_SUCCESS) return error;
  return MakeFolder(parent);
}

void OperationRunner::CloseJournal() {
  journal_.reset();
}

DWORD OperationRunner::Append(const std::vector<std::uint8_t>& bytes) {
  if (!journal_ || bytes.empty()) return ERROR_INVALID_HANDLE;
  DWORD written = 0;
  if (!WriteFile(journal_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    return GetLastError();
  if (written != bytes.size()) return ERROR_HANDLE_DISK_FULL;
  // On the disk before the move it announces is made.
  return FlushFileBuffers(journal_.get()) ? ERROR_SUCCESS : GetLastError();
}

DWORD OperationRunner::HoldAll(std::initializer_list<const std::string*> names) {
  for (const std::string* name : names)
    if (const std::string link = Hold(*name); !link.empty()) {
      CLog::Instance()->Log(1, kUnit, __LINE__, "%s is a link or cannot be held", link.c_str());
      return tree::kLinkInTheWay;
    }
  return ERROR_SUCCESS;
}

DWORD OperationRunner::MakeHeldParents(const std::string& relative) {
  if (const DWORD error = HoldAll({&relative}); error != ERROR_SUCCESS) return error;
  if (const DWORD error = MakeParentFolders(Path(relative)); error != ERROR_SUCCESS) return error;
  return HoldAll({&relative});
}

DWORD OperationRunner::Move(const std::string& from, const std::string& to) {
  // Every level is held before a missing one is made below it, and what was made is held
  // before the move goes through it.
  if (const DWORD error = HoldAll({&from}); error != ERROR_SUCCESS) return error;
  if (const DWORD error = MakeHeldParents(to); error != ERROR_SUCCESS) return error;
  return MoveFileExA(Path(from).c_str(), Path(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? ERROR_SUCCESS
             : GetLastError();
}

DWORD OperationRunner::RunOnce(const Operation& operation) {
  const std::string& name = operation.name;
  const std::string stagedName = StagedName(name), backupName = BackupName(name);
  const std::string target = Path(name), staged = Path(stagedName), backup = Path(backupName);
  switch (operation.op) {
    case Op::kWriteHeader:
      CloseJournal();
      journal_.reset(CreateFileA(Path(kJournalName).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
      if (!journal_) return GetLastError();
      return Append(HeaderBytes(header_));
    case Op::kAppend:
      return Append(RecordBytes(operation.record));
    case Op::kMoveAside:
      if (const DWORD error = HoldAll({&name}); error != ERROR_SUCCESS) return error;
      return FileExists(target) ? Move(name, backupName) : ERROR_SUCCESS;
    case Op::kPlace:
      return Move(stagedName, name);
    case Op::kTakeBack:
      return Move(name, stagedName);
    case Op::kRestore:
      return Move(backupName, name);
    case Op::kDeleteBackup:
      if (const DWORD error = HoldAll({&backupName}); error != ERROR_SUCCESS) return error;
      return DeleteIfThere(backup);
    case Op::kDeleteObsolete:
      if (const DWORD error = HoldAll({&name}); error != ERROR_SUCCESS) return error;
      return DeleteIfThere(target);
    case Op::kMakeFolder:
      if (const DWORD error = HoldAll({&name}); error != ERROR_SUCCESS) return error;
      return MakeFolder(target);
    case Op::kRemoveFolder:
      if (const DWORD error = HoldAll({&name}); error != ERROR_SUCCESS) return error;
      holds_.Release(name);
      // A folder the player has put something in stays.
      RemoveDirectoryA(target.c_str());
      return ERROR_SUCCESS;
    case Op::kRemoveJournal:
      CloseJournal();
      return DeleteIfThere(Path(kJournalName));
    case Op::kRemoveStaging:
      holds_.Release(kStagingFolder);
      return RemoveStagingFolder(dir_);
  }
  return ERROR_INVALID_FUNCTION;
}

DWORD OperationRunner::Run(const Operation& operation) {
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    error = RunOnce(operation);
    if (error == ERROR_SUCCESS || !Passing(error) || operation.op == Op::kWriteHeader ||
        operation.op == Op::kAppend)
      break;
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s: error %lu, attempt %i of %i",
                          OpName(operation.op), operation.name.c_str(), error, attempt, kAttempts);
    Sleep(kRetryPauseMs * static_cast<DWORD>(attempt));
  }
  if (operation.op == Op::kAppend)
    CLog::Instance()->Log(1, kUnit, __LINE__, "journal: record %u step %u %s%s",
                          static_cast<unsigned>(operation.record.kind), operation.record.step,
                          operation.record.name.c_str(), error ? ": failed" : "");
  else
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s%s", OpName(operation.op),
                          operation.name.c_str(), error ? ": failed" : "");
  return error;
}

bool RegisterRelease(const std::string& installDir, const Version& version) {
  LinkPlan plan;
  const bool planRead =
      ReadLinkPlanFile(installDir + "\\" + kStagingFolder + "\\" + kLinksName, plan);
  if (!planRead)
    CLog::Instance()->Log(1, kUnit, __LINE__,
                          "no link plan in the staging folder: links unchanged");
  const bool linked = planRead && MakeLinks(installDir, plan);
  const bool versioned =
      RewriteDisplayVersion(archive::DisplayVersionText(version.ms, version.ls).c_str());
  return linked && versioned;
}

}  // namespace journal
