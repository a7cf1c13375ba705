// Which of the unattended run's exit codes a refusal or failure ends with.
#pragma once

#include <cstdint>

#include "setup_exit_codes.h"

namespace setup {

// The code for a refusal or failure the wizard would show with catalogue text
// `textId` (kClientPathText for the missing client file). Anything not named
// otherwise failed during the installation.
int ExitCodeForText(std::uint32_t textId);

}  // namespace setup
