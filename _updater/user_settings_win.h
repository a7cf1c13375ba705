// What the updater keeps for the player, under the player's own key
// (HKEY_CURRENT_USER\Software\Tidemoor\Updater), which the uninstaller removes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace updater {

bool CheckAutomatically();
void SetCheckAutomatically(bool on);

// The highest index serial seen; 0 before the first. A lower one later is a replay.
std::uint64_t HighestSerial();
void SetHighestSerial(std::uint64_t serial);

// The mirrors the last fresh index named: where the next index is asked for first, so
// that a player still finds one while the server the program carries is down.
std::vector<std::string> RememberedMirrors();
void SetRememberedMirrors(const std::vector<std::string>& mirrors);

}  // namespace updater
