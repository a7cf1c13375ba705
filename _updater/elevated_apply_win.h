// An all-users installation is changed only with the machine's rights: the updater
// itself runs as the player, and only the apply runs in a child started from the
// program's own file in the installation directory, which only administrators can
// change, with the verb "runas".
#pragma once

#include <string>

#include "updater_command.h"
#include "updater_steps.h"

namespace updater {

// Starts the elevated child, the installation's own updater.exe in `installDir` (never
// the program the player started, wherever that lies), on the downloads in `folder`
// and waits for it; how it ended. A declined prompt is a failure that changed nothing.
// With `selfUpdate` the child only moves the installation's updater's successor in.
Finish RunElevatedApply(const std::string& installDir, const UpdaterCommand& command,
                        const std::string& folder, bool selfUpdate = false);

// The files the child applied from the player's folder are no use any more.
void RemoveUserDownloads(const std::string& folder);

}  // namespace updater
