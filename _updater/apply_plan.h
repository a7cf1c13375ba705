// What an apply of a release does, decided before anything moves: the files to stage
// and move, the obsolete ones, the new folders, and the start-menu links to make once
// the files are in place, as Setup makes an update's links. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "apply_journal.h"
#include "apply_links.h"
#include "feed_format.h"
#include "installation.h"

namespace updater {

// `files`: indices into target.files of the fetched files; `installedFiles`: the names
// the installation's lists carry; `folderThere[i]` for target.directories[i]. False for
// an index outside the release or a name that would leave the installation directory.
bool PlanApply(const feed::Release& target, const std::vector<std::size_t>& files,
               const std::vector<std::string>& installedFiles, const std::vector<bool>& folderThere,
               journal::Plan& plan);

// The group's links in the installation's language: each shortcut of the release under
// its catalogue name, then the readme link. The desktop link stays as it is: an update
// does not know whether the player wanted one.
journal::LinkPlan PlanLinks(const feed::Release& target, const Installation& installation);

}  // namespace updater
