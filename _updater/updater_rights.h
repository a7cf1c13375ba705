// Who may change an installation: the updater runs as the player, and an all-users
// installation is changed only by an elevated child started from the installation's
// own updater.exe, which works out its installation from the machine's key alone.
// Portable: no windows.h.
#pragma once

#include <string_view>

namespace updater {

enum class Rights {
  kApplyHere,      // this process may change the installation
  kElevatedChild,  // ask for the machine's rights, through the installation's own updater.exe
  kRefuse,         // exit 7: unattended nobody could answer the prompt, or a child without them
};

// `child`: started as /apply or /selfupdate.
Rights DecideRights(bool allUsers, bool elevated, bool silent, bool child);

// A child is the installation's own updater.exe: its folder is the registered one.
bool ChildRunsFromInstallation(std::string_view ownFolder, std::string_view installDir);

}  // namespace updater
