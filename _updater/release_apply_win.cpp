#include "release_apply_win.h"

#include <windows.h>

#include "apply_plan.h"
#include "apply_seam.h"
#include "journal_ops_win.h"
#include "install_list.h"
#include "replay_run_win.h"
#include "s_handle_win.h"
#include "s_logging.h"
#include "s_product_lock_win.h"
#include "s_small_file_win.h"
#include "s_tree_remover_win.h"
#include "updater_steps.h"

namespace updater {
namespace {

constexpr char kUnit[] = "_updater/release_apply";

ApplyOutcome Outcome(ApplyStatus status, std::string name = {}, DWORD error = ERROR_SUCCESS) {
  return {status, std::move(name), error};
}

// Every file the installation's lists (uninstall\*.lst) name.
std::vector<std::string> InstalledFiles(const std::string& dir) {
  installation::InstallList lists;
  const std::string folder = dir + "\\" + installation::kListFolder + "\\";
  WIN32_FIND_DATAA found;
  const handles::Find find(FindFirstFileA((folder + "*.lst").c_str(), &found));
  std::string text;
  DWORD error = ERROR_SUCCESS;
  for (bool more = bool(find); more; more = FindNextFileA(find.get(), &found))
    if (installation::IsListFileName(std::string(installation::kListFolder) + "\\" +
                                     found.cFileName) &&
        ReadSmallFile(folder + found.cFileName, installation::kMaxListBytes, text, error))
      installation::ReadInstallList(text, lists);
  return lists.files;
}

std::vector<bool> FoldersThere(const std::string& dir, const feed::Release& target) {
  std::vector<bool> there;
  for (const std::string& name : target.directories) {
    std::string windowsName;
    there.push_back(InstallName(name, windowsName) &&
                    journal::FolderExists(dir + "\\" + windowsName));
  }
  return there;
}

// A file open elsewhere, or a program that runs, cannot be opened without sharing. The
// updater's own program is renamed aside while it runs, which Windows allows.
DWORD HeldError(const std::string& path) {
  char own[MAX_PATH] = {};
  const DWORD ownLength = GetModuleFileNameA(nullptr, own, sizeof own);
  if (ownLength > 0 && ownLength < sizeof own && lstrcmpiA(own, path.c_str()) == 0)
    return ERROR_SUCCESS;
  handles::Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // A read-only file refuses writing, but its move needs only DELETE.
  if (!file && GetLastError() == ERROR_ACCESS_DENIED)
    file.reset(CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
  if (file) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? error : ERROR_SUCCESS;
}

ApplyOutcome FindHeld(const journal::OperationRunner& runner, const journal::Plan& plan) {
  for (const auto* names : {&plan.files, &plan.obsolete})
    for (const std::string& name : *names)
      if (const DWORD error = HeldError(runner.Path(name)); error != ERROR_SUCCESS)
        return Outcome(ApplyStatus::kFileHeld, name, error);
  return Outcome(ApplyStatus::kApplied);
}

// The staged file gets the release's time, so the next check need not hash it, and is on
// the disk before the journal names it.
DWORD FinishStagedFile(const std::string& path, std::uint64_t fileTime) {
  const handles::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  FILETIME time{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  const bool ok = SetFileTime(file.get(), &time, &time, &time) && FlushFileBuffers(file.get());
  return ok ? ERROR_SUCCESS : GetLastError();
}

DWORD WriteFlushed(const std::string& path, const std::string& text) {
  const handles::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD written = 0;
  const bool ok =
      WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size() && FlushFileBuffers(file.get());
  const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  return ok ? ERROR_SUCCESS : (error != ERROR_SUCCESS ? error : ERROR_HANDLE_DISK_FULL);
}

// The first of the fetched files whose download is `k`'s: files of the same content share one.
std::size_t FirstWithDownload(const ApplyRequest& request, std::size_t k) {
  std::size_t first = 0;
  while (first < k && lstrcmpiA(request.downloads[first].c_str(), request.downloads[k].c_str()))
    ++first;
  return first;
}

// The staged files back where they waited (those moved, not the copies), so that a later
// apply need not fetch them again.
void ReturnDownloads(const journal::OperationRunner& runner, const ApplyRequest& request,
                     const journal::Plan& plan, std::size_t staged) {
  for (std::size_t k = 0; k < staged; ++k)
    if (FirstWithDownload(request, k) == k)
      MoveFileExA(runner.Path(journal::StagedName(plan.files[k])).c_str(),
                  request.downloads[k].c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

// Downloads renamed into the staging folder (a file whose content another one shares
// is copied from it), then the link plan. A failure puts the downloads back.
ApplyOutcome Stage(journal::OperationRunner& runner, const ApplyRequest& request,
                   const journal::Plan& plan, const journal::LinkPlan& links) {
  DWORD error = ERROR_SUCCESS;
  std::size_t staged = 0;  // moved or copied in so far
  std::string failed;
  for (std::size_t k = 0; k < plan.files.size(); ++k) {
    failed = plan.files[k];
    const std::string name = journal::StagedName(plan.files[k]), path = runner.Path(name);
    const std::size_t first = FirstWithDownload(request, k);
    if ((error = runner.MakeHeldParents(name)) != ERROR_SUCCESS) break;
    if (first < k ? !CopyFileA(runner.Path(journal::StagedName(plan.files[first])).c_str(),
                               path.c_str(), FALSE)
                  : !MoveFileExA(request.downloads[k].c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED |
                                     MOVEFILE_WRITE_THROUGH)) {
      error = GetLastError();
      break;
    }
    staged = k + 1;
    error = FinishStagedFile(path, request.target->files[request.files[k]].fileTime);
    if (error != ERROR_SUCCESS) break;
  }
  if (error == ERROR_SUCCESS) {
    failed = journal::kLinksName;
    const std::string name = std::string(journal::kStagingFolder) + "\\" + journal::kLinksName;
    const std::string path = runner.Path(name);
    error = runner.MakeHeldParents(name);
    if (error == ERROR_SUCCESS) error = WriteFlushed(path, journal::LinkPlanText(links));
  }
  if (error == ERROR_SUCCESS) return Outcome(ApplyStatus::kApplied);
  CLog::Instance()->Log(1, kUnit, __LINE__, "staging %s failed (error %lu)", failed.c_str(), error);
  ReturnDownloads(runner, request, plan, staged);
  runner.Run({journal::Op::kRemoveStaging, {}, {}});
  return Outcome(ApplyStatus::kFailed, failed, error);
}

bool Moves(journal::Op op) {
  return op == journal::Op::kMakeFolder || op == journal::Op::kMoveAside ||
         op == journal::Op::kPlace;
}

}  // namespace

ApplyOutcome ApplyRelease(const ApplyRequest& request) {
  CLog& log = *CLog::Instance();
  const Installation& installation = request.installation;
  const std::string& dir = installation.directory;
  if (request.target == nullptr || request.files.size() != request.downloads.size())
    return Outcome(ApplyStatus::kFailed, {}, ERROR_INVALID_PARAMETER);
  const feed::Release& target = *request.target;
  log.Log(1, kUnit, __LINE__, "apply to %s: 0.%u.%u over 0.%u.%u, %u files", dir.c_str(),
          target.version.ms, target.version.ls, installation.version.ms, installation.version.ls,
          static_cast<unsigned>(request.files.size()));
  CProductLock lock;
  if (!lock.TryAcquire(dir)) return Outcome(ApplyStatus::kBusy);
  // An earlier apply cut off is finished or undone first: the apply starts from one release.
  const journal::ReplayOutcome earlier = journal::ReplayPendingApply(dir);
  if (earlier.failed || earlier.direction == journal::Direction::kCannotTell)
    return Outcome(ApplyStatus::kFailed, journal::kJournalName, earlier.error);

  journal::Plan plan;
  if (!PlanApply(target, request.files, InstalledFiles(dir), FoldersThere(dir, target), plan))
    return Outcome(ApplyStatus::kFailed, {}, ERROR_INVALID_DATA);
  const journal::Header header{{installation.version.ms, installation.version.ls},
                               {target.version.ms, target.version.ls}};
  journal::OperationRunner runner(dir, header);
  if (ApplyOutcome held = FindHeld(runner, plan); held.status != ApplyStatus::kApplied) {
    log.Log(1, kUnit, __LINE__, "%s is open elsewhere (error %lu): nothing changed",
            held.name.c_str(), held.error);
    return held;
  }
  // Held until the apply returns; the installation folder itself may be reached through
  // a link, as the player chose it.
  for (const auto* names : {&plan.files, &plan.obsolete})
    for (const std::string& name : *names)
      if (const std::string link = runner.Hold(name); !link.empty()) {
        log.Log(1, kUnit, __LINE__, "%s is a link or cannot be held: nothing changed",
                link.c_str());
        return Outcome(ApplyStatus::kFailed, link, tree::kLinkInTheWay);
      }
  if (ApplyOutcome staged = Stage(runner, request, plan, PlanLinks(target, installation));
      staged.status != ApplyStatus::kApplied)
    return staged;

  bool moved = false, committed = false, registered = false, registrationDone = false;
  const std::vector<journal::Operation> operations = journal::ApplyOperations(plan);
  for (std::size_t i = 0; i < operations.size(); ++i) {
    const journal::Operation& operation = operations[i];
    if (operation.op == journal::Op::kRemoveJournal) {
      registered = journal::RegisterRelease(dir, header.to);
      registrationDone = true;
    }
    const DWORD error = runner.Run(operation);
    if (error != ERROR_SUCCESS && !committed) {
      runner.CloseJournal();
      runner.ReleaseHolds();
      // A roll back that itself stops is taken up again by the next start.
      const journal::ReplayOutcome back = journal::ReplayPendingApply(
          dir, [&] { ReturnDownloads(runner, request, plan, plan.files.size()); });
      return Outcome(moved && !back.failed ? ApplyStatus::kRolledBack : ApplyStatus::kFailed,
                     operation.name, error);
    }
    if (error != ERROR_SUCCESS) {
      // In place: what is left over stays in the journal, which the next start finishes.
      log.Log(1, kUnit, __LINE__, "%s stays until the next start (error %lu)",
              operation.name.c_str(), error);
      if (!registrationDone) registered = journal::RegisterRelease(dir, header.to);
      break;
    }
    moved = moved || Moves(operation.op);
    committed = committed || (operation.op == journal::Op::kAppend &&
                              operation.record.kind == journal::Kind::kCommit);
    apply_seam::AfterOperation(i + 1);
  }
  log.Log(1, kUnit, __LINE__, "applied%s", registered ? "" : ", not wholly registered");
  return Outcome(registered ? ApplyStatus::kApplied : ApplyStatus::kAppliedNotRegistered);
}

}  // namespace updater
