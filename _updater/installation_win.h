// Finds the installation the updater works on, and the feed the program carries.
#pragma once

#include <string>

#include "feed_format.h"
#include "installation.h"

namespace updater {

// The product key as Setup wrote it (the current user's first, then the machine's),
// and the client's version as Setup reads it. False when no InstallDir is registered.
// `machineOnly`: the machine's key alone, as the elevated child reads it, whose current
// user is whoever approved the prompt.
bool FindInstallation(Installation& installation, bool machineOnly = false);

// The feed's address and trusted key from this program's own resources, which
// mksetup writes into the updater of a release. False when either is missing.
bool LoadFeedResources(std::string& url, feed::PublicKey& key);
// The product this program updates, as the index names it; empty when it carries none.
std::string FeedProduct();

}  // namespace updater
