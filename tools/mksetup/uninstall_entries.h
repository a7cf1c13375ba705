// The uninstaller travels as two ordinary payload files that mksetup adds when the
// manifest's [Uninstall] Program names it: uninstall.exe and this release's list of
// everything the archive installs (uninstall\0.<package version>.lst).
#pragma once

#include <string>

#include "archive_writer.h"
#include "manifest.h"

namespace mksetup {

// Refuses a payload that already holds either name. Call after every other entry
// of the description is in place: the list names them all.
bool AddUninstaller(const Manifest& manifest, archive::ArchiveDescription& description,
                    std::string& error);

// The list's text for a description that already holds the uninstaller and the list.
std::string InstallListText(const archive::ArchiveDescription& description);

}  // namespace mksetup
