// A downloaded, hash-checked patch or compressed file decoded into the plain file the
// apply expects: the frame and the installed file mapped read-only, the output a file
// of the indexed size mapped as the decoder's buffer, so no copy of either is held in
// memory. The result is hashed before it takes its name.
#pragma once

#include <string>

#include "feed_format.h"
#include "fetch_way.h"

namespace updater {

// `framePath` decoded (against `referencePath` for a patch; empty for a compressed
// file) into `outPath`, which holds `content` afterwards or is not there. `detail` says
// what went wrong, for the log.
WayResult DecodeToFile(const std::string& framePath, const std::string& referencePath,
                       const feed::ContentRef& content, const std::string& outPath,
                       std::string& detail);

}  // namespace updater
