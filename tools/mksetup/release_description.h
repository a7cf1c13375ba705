// Turns a manifest and its payload folder into the archive description: every text
// converted to Windows-1252 and checked, every entry that points into the payload
// found there. Refusals name the file or key and the problem.
#pragma once

#include <filesystem>
#include <string>

#include "archive_writer.h"
#include "manifest.h"

namespace mksetup {

// `payloadOverride`, when not empty, replaces the manifest's payload folder.
bool DescribeRelease(const Manifest& manifest, const std::filesystem::path& payloadOverride,
                     archive::ArchiveDescription& description, archive::ArchivePlan& plan,
                     std::string& error);

}  // namespace mksetup
