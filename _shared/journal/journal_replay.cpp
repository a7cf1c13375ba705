#include "journal_replay.h"

namespace journal {
namespace {

std::string Inside(const char* folder, const std::string& name) {
  return std::string(kStagingFolder) + "\\" + folder + "\\" + name;
}

}  // namespace

std::string StagedName(const std::string& name) {
  return Inside(kStagedFolder, name);
}
std::string BackupName(const std::string& name) {
  return Inside(kBackupFolder, name);
}

std::vector<Operation> ApplyOperations(const Plan& plan) {
  const std::vector<std::string>& files = plan.files;
  std::vector<Operation> ops{{Op::kWriteHeader, {}, {}}};
  for (Record& record : PlanRecords(plan)) ops.push_back({Op::kAppend, {}, record});
  // After "begin", so a roll back knows which folders may have been made.
  for (const std::string& name : plan.newFolders) ops.push_back({Op::kMakeFolder, name, {}});
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto step = static_cast<std::uint32_t>(i);
    ops.push_back({Op::kAppend, {}, {Kind::kBackup, step, {}}});
    ops.push_back({Op::kMoveAside, files[i], {}});
    ops.push_back({Op::kAppend, {}, {Kind::kPlace, step, {}}});
    ops.push_back({Op::kPlace, files[i], {}});
  }
  ops.push_back({Op::kAppend, {}, {Kind::kCommit, 0, {}}});
  for (const std::string& name : files) ops.push_back({Op::kDeleteBackup, name, {}});
  for (const std::string& name : plan.obsolete) ops.push_back({Op::kDeleteObsolete, name, {}});
  ops.push_back({Op::kAppend, {}, {Kind::kDone, 0, {}}});
  ops.push_back({Op::kRemoveJournal, {}, {}});
  ops.push_back({Op::kRemoveStaging, {}, {}});
  return ops;
}

StepReplay ReplayStep(bool committed, Progress progress, const OnDisk& disk) {
  StepReplay replay;
  if (committed) {
    // Commit follows the last move, so the staged name is empty unless that move was
    // lost; the staged bytes are the new release's either way.
    if (disk.staged) replay.ops.push_back(Op::kPlace);
    replay.lost = !disk.staged && !disk.target;
    if (disk.backup) replay.ops.push_back(Op::kDeleteBackup);
    return replay;
  }
  // The place move happened when its record is there and the staged name is gone.
  if (progress == Progress::kPlaceStarted && !disk.staged && disk.target)
    replay.ops.push_back(Op::kTakeBack);
  // A backup exists only when the move aside happened: it is the old file.
  if (progress != Progress::kNone && disk.backup) replay.ops.push_back(Op::kRestore);
  return replay;
}

Replay DecideReplay(ReadProblem problem, const Journal& journal, const std::vector<OnDisk>& disk,
                    const std::vector<bool>& obsoleteExists) {
  Replay replay;
  // The journal goes first: once the staging folder is gone, a staged name that is not
  // there no longer means its move was made.
  const auto finish = [&replay] {
    replay.ops.push_back({Op::kRemoveJournal, {}, {}});
    replay.ops.push_back({Op::kRemoveStaging, {}, {}});
  };
  if (problem == ReadProblem::kEmpty) {
    finish();  // the header never held, so no move was journaled, so none was made
    return replay;
  }
  if (problem != ReadProblem::kNone || disk.size() != journal.files.size() ||
      obsoleteExists.size() != journal.obsolete.size()) {
    replay.direction = Direction::kCannotTell;
    return replay;
  }
  if (journal.done || !journal.begun) {
    finish();
    return replay;
  }
  const std::size_t count = journal.files.size();
  replay.direction = journal.committed ? Direction::kForward : Direction::kRollBack;
  for (std::size_t n = 0; n < count; ++n) {
    // Back in reverse order of the moves, forward in their order.
    const std::size_t i = journal.committed ? n : count - 1 - n;
    const StepReplay step = ReplayStep(journal.committed, journal.progress[i], disk[i]);
    replay.lost = replay.lost || step.lost;
    for (Op op : step.ops) replay.ops.push_back({op, journal.files[i], {}});
  }
  if (journal.committed) {
    for (std::size_t i = 0; i < journal.obsolete.size(); ++i)
      if (obsoleteExists[i]) replay.ops.push_back({Op::kDeleteObsolete, journal.obsolete[i], {}});
  } else {
    // Children before parents; a folder the player has put something in stays.
    for (auto folder = journal.folders.rbegin(); folder != journal.folders.rend(); ++folder)
      replay.ops.push_back({Op::kRemoveFolder, *folder, {}});
  }
  finish();
  return replay;
}

}  // namespace journal
