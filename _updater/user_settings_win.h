// What the updater keeps for the player, under the player's own key
// (HKEY_CURRENT_USER\Software\Tidemoor\Updater), which the uninstaller removes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed_trust.h"

namespace updater {

bool CheckAutomatically();
void SetCheckAutomatically(bool on);

// The highest index serial seen; 0 before the first. A lower one later is a replay.
std::uint64_t HighestSerial();
void SetHighestSerial(std::uint64_t serial);

// The installation's accepted keys and their serial: a current-user installation's
// under the player's key, an all-users one's under HKEY_LOCAL_MACHINE's, which only
// administrators change. False when none is kept (or it does not hold together).
bool ReadKeySet(bool allUsers, feed::KeySet& set);
bool WriteKeySet(bool allUsers, const feed::KeySet& set);

// The mirrors the last fresh index named: where the next index is asked for first, so
// that a player still finds one while the server the program carries is down.
std::vector<std::string> RememberedMirrors();
void SetRememberedMirrors(const std::vector<std::string>& mirrors);

}  // namespace updater
