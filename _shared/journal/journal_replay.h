// What the apply does, step by step, and how the next program of the product finishes
// an apply that was cut off: before "commit" it rolls back, after it it rolls forward,
// so the installation is always exactly one release. Portable: the Windows half only
// carries out the operations listed here, each move written through.
#pragma once

#include <string>
#include <vector>

#include "apply_journal.h"

namespace journal {

enum class Op {
  kWriteHeader,     // create the journal with its header (flushed)
  kAppend,          // append `record` (flushed)
  kMoveAside,       // target -> backup, when the target exists
  kPlace,           // staged -> target, replacing a target that is there
  kTakeBack,        // target -> staged: a placed new file goes back out
  kRestore,         // backup -> target, replacing a target that is there
  kDeleteBackup,    // the backup of `name`, when it exists
  kDeleteObsolete,  // the installed file `name`, when it exists
  kMakeFolder,      // a new folder of the plan, when it is not there yet
  kRemoveFolder,    // a new folder of the plan, when it is there and empty
  kRemoveJournal,
  kRemoveStaging,  // the staging folder and whatever is left in it; without a journal a
                   // staging folder is only leftovers
};

struct Operation {
  Op op = Op::kRemoveJournal;
  std::string name;  // relative to the installation directory, for file operations
  Record record;     // for kAppend
  friend bool operator==(const Operation&, const Operation&) = default;
};

// Where a file of the plan lives, relative to the installation directory.
std::string StagedName(const std::string& name);
std::string BackupName(const std::string& name);

// The apply, in order: files already staged, the plan journaled, the new folders made,
// each move journaled before it is made, commit, cleanup, done.
std::vector<Operation> ApplyOperations(const Plan& plan);

// Which of a step's three names exist now.
struct OnDisk {
  bool staged = false;
  bool target = false;
  bool backup = false;
};

struct StepReplay {
  std::vector<Op> ops;  // kPlace, kTakeBack, kRestore, kDeleteBackup, in this order
  bool lost = false;    // forward, but the new file is in neither place
  friend bool operator==(const StepReplay&, const StepReplay&) = default;
};

// One step of the plan: `committed` picks the direction, `progress` says which moves
// may have happened, `disk` which of them did.
StepReplay ReplayStep(bool committed, Progress progress, const OnDisk& disk);

enum class Direction {
  kNothing,    // no apply was under way, or it finished: only leftovers go
  kRollBack,   // back to the release in `header.from`
  kForward,    // on to `header.to`; the caller registers that version
  kCannotTell  // a journal this code did not write: touch nothing, keep it, report
};

struct Replay {
  Direction direction = Direction::kNothing;
  // A rolled-forward file is missing: reported; the next check finds the file absent and
  // fetches it again.
  bool lost = false;
  std::vector<Operation> ops;
};

// Run first, whenever update.journal or update.staging is there; without a journal the
// caller passes kEmpty and only leftovers go.
// `disk[i]` for `journal.files[i]`, `obsoleteExists[i]` for `journal.obsolete[i]`. Each
// operation leaves a state from which this same decision finishes the job, so a replay
// that is itself cut off is simply run again.
Replay DecideReplay(ReadProblem problem, const Journal& journal, const std::vector<OnDisk>& disk,
                    const std::vector<bool>& obsoleteExists);

}  // namespace journal
