// Moves an installation from its release to a newer one whose files are downloaded
// and verified: staged inside the installation directory, moved into place under the
// apply journal, then the new release's uninstall lists, its links and the version
// Apps & features shows, written as Setup writes them. Interrupted at any point, the
// next program of the product finishes or undoes it (ReplayPendingApply).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "feed_format.h"
#include "installation.h"

namespace updater {

struct ApplyRequest {
  Installation installation;
  const feed::Release* target = nullptr;
  // Indices into target->files whose new content waits in `downloads` (same order):
  // absolute paths of verified files, on the installation's volume.
  std::vector<std::size_t> files;
  std::vector<std::string> downloads;
};

enum class ApplyStatus {
  kApplied,               // the new release is in place, its records written
  kAppliedNotRegistered,  // in place, but its version could not be registered (230)
  kBusy,                  // another program of the product holds the product lock
  kFileHeld,              // a file to replace or remove is open elsewhere: nothing changed
  kRolledBack,            // a move failed midway: the earlier release is back, unchanged
  kFailed,                // staging or the journal failed before anything moved
};

struct ApplyOutcome {
  ApplyStatus status = ApplyStatus::kFailed;
  std::string name;         // the file held, or the one that failed
  unsigned long error = 0;  // the failing call's GetLastError
};

// Takes the product lock for the whole apply.
ApplyOutcome ApplyRelease(const ApplyRequest& request);

}  // namespace updater
