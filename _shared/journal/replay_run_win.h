// Run first by every program of the product (Setup, the uninstaller, the updater):
// an apply that was cut off is finished (after its commit) or undone (before it), so
// nothing ever starts on a half-applied release.
#pragma once

#include <functional>
#include <string>

#include "apply_journal.h"
#include "journal_replay.h"

namespace journal {

struct ReplayOutcome {
  bool ran = false;  // a journal or a staging folder was there
  Direction direction = Direction::kNothing;
  Header header;  // from the journal, when it had one
  bool lost = false;
  bool failed = false;      // an operation failed: run again at the next start
  unsigned long error = 0;  // its GetLastError
  std::string subject;      // what stopped it: the journal, the staging folder or a file
};

// `installDir` absolute, no trailing backslash. Every step is logged.
ReplayOutcome ReplayPendingApply(const std::string& installDir);
// The same, with `beforeStagingGoes` run right before the staging folder is removed:
// an apply that rolls itself back takes its downloads back from there.
ReplayOutcome ReplayPendingApply(const std::string& installDir,
                                 const std::function<void()>& beforeStagingGoes);

}  // namespace journal
