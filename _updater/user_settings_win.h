// What the updater keeps for the player, under the player's own key
// (HKEY_CURRENT_USER\Software\Tidemoor\Updater), which the uninstaller removes.
#pragma once

#include <cstdint>

namespace updater {

bool CheckAutomatically();
void SetCheckAutomatically(bool on);

// The highest index serial seen; 0 before the first. A lower one later is a replay.
std::uint64_t HighestSerial();
void SetHighestSerial(std::uint64_t serial);

}  // namespace updater
