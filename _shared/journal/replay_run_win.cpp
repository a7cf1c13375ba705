#include "replay_run_win.h"

#include <windows.h>

#include <vector>

#include "journal_ops_win.h"
#include "s_logging.h"
#include "s_product_lock_win.h"
#include "s_small_file_win.h"

namespace journal {
namespace {

constexpr char kUnit[] = "_shared/journal/replay_run";
// Far above any plan's journal (a million steps of short names); a bigger file was not
// written by this code and is not read into memory.
constexpr std::size_t kMaxJournalBytes = 256LL * 1024 * 1024;

ReadProblem ReadJournalFile(const std::string& path, Journal& journal) {
  journal = Journal{};
  std::vector<std::uint8_t> bytes;
  DWORD error = ERROR_SUCCESS;
  if (!ReadSmallFile(path, kMaxJournalBytes, bytes, error))
    return error == ERROR_FILE_NOT_FOUND ? ReadProblem::kEmpty : ReadProblem::kNotJournal;
  return ReadJournal(bytes.data(), bytes.size(), journal);
}

const char* DirectionText(Direction direction) {
  switch (direction) {
    case Direction::kNothing:
      return "only leftovers go";
    case Direction::kRollBack:
      return "roll back";
    case Direction::kForward:
      return "roll forward";
    case Direction::kCannotTell:
      return "cannot tell: the journal stays, nothing is touched";
  }
  return "?";
}

// The name a user is shown for an operation that failed.
std::string SubjectOf(const Operation& operation, const OperationRunner& runner,
                      const std::string& journalPath) {
  switch (operation.op) {
    case Op::kWriteHeader:
    case Op::kAppend:
    case Op::kRemoveJournal:
      return journalPath;
    case Op::kRemoveStaging:
      return runner.Path(kStagingFolder);
    case Op::kPlace:
    case Op::kTakeBack:
      return runner.Path(StagedName(operation.name));
    case Op::kDeleteBackup:
      return runner.Path(BackupName(operation.name));
    default:
      return runner.Path(operation.name);
  }
}

}  // namespace

ReplayOutcome ReplayPendingApply(const std::string& installDir) {
  return ReplayPendingApply(installDir, {});
}

ReplayOutcome ReplayPendingApply(const std::string& installDir,
                                 const std::function<void()>& beforeStagingGoes) {
  ReplayOutcome outcome;
  const std::string journalPath = installDir + "\\" + kJournalName;
  if (!FileExists(journalPath) && !FolderExists(installDir + "\\" + kStagingFolder)) return outcome;
  outcome.ran = true;
  CLog& log = *CLog::Instance();
  // Only the holder of the lock changes the installation: an updater applying right now
  // finishes its own apply.
  CProductLock lock;
  if (!lock.TryAcquire(installDir)) {
    log.Log(1, kUnit, __LINE__, "replay of %s: another program holds the product lock",
            installDir.c_str());
    outcome.failed = true;
    outcome.error = ERROR_BUSY;
    outcome.subject = journalPath;
    return outcome;
  }

  Journal journal;
  const ReadProblem problem = ReadJournalFile(journalPath, journal);
  std::vector<OnDisk> disk;
  std::vector<bool> obsoleteExists;
  OperationRunner runner(installDir, journal.header);
  if (problem == ReadProblem::kNone) {
    for (const std::string& name : journal.files)
      disk.push_back({FileExists(runner.Path(StagedName(name))), FileExists(runner.Path(name)),
                      FileExists(runner.Path(BackupName(name)))});
    for (const std::string& name : journal.obsolete)
      obsoleteExists.push_back(FileExists(runner.Path(name)));
  }
  const Replay replay = DecideReplay(problem, journal, disk, obsoleteExists);
  outcome.direction = replay.direction;
  outcome.header = journal.header;
  outcome.lost = replay.lost;
  log.Log(1, kUnit, __LINE__, "replay of %s (problem %i, 0.%u.%u to 0.%u.%u%s): %s",
          journalPath.c_str(), static_cast<int>(problem), journal.header.from.ms,
          journal.header.from.ls, journal.header.to.ms, journal.header.to.ls,
          journal.tornTail ? ", last append torn" : "", DirectionText(replay.direction));
  if (replay.lost)
    log.Log(1, kUnit, __LINE__, "a file of the new release is lost: the next check fetches it");

  // A finished apply may have been cut off while it made its links.
  const bool registers =
      replay.direction == Direction::kForward || (problem == ReadProblem::kNone && journal.done);
  for (const Operation& operation : replay.ops) {
    if (operation.op == Op::kRemoveJournal && registers &&
        !RegisterRelease(installDir, journal.header.to))
      log.Log(1, kUnit, __LINE__, "the release is in place but not wholly registered");
    if (operation.op == Op::kRemoveStaging && beforeStagingGoes) beforeStagingGoes();
    if (const DWORD error = runner.Run(operation); error != ERROR_SUCCESS) {
      log.Log(1, kUnit, __LINE__, "replay stopped (error %lu): the next start goes on", error);
      outcome.failed = true;
      outcome.error = error;
      outcome.subject = SubjectOf(operation, runner, journalPath);
      break;
    }
  }
  return outcome;
}

}  // namespace journal
