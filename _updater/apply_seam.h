// The point where a test build of the updater may end itself in the middle of an apply.
// Chosen at link time: programs link tdm_apply_seam, whose hook does nothing; the test
// build updater_apply_killed links tdm_apply_seam_kill (tdm_apply_killed_variant).
#pragma once

#include <cstddef>

namespace apply_seam {

// The exit code of a process the kill seam ended.
inline constexpr unsigned kKilledExitCode = 86;

// Called by the apply after each journal operation it carried out (its own, not those of
// a replay); `done` counts from 1.
void AfterOperation(std::size_t done);

}  // namespace apply_seam
