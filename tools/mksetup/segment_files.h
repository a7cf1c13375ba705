// The archive as files: outdir/ID_SETUPFILE1.bin .. ID_SETUPFILE3.bin. Written under
// temporary names, checked, and only then given their names, so a failed build
// leaves no partial archive and no segment of an earlier build behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "mapped_file.h"
#include "segment_check.h"

namespace mksetup {

std::filesystem::path SegmentFilePath(const std::filesystem::path& folder, int segment);

bool BuildSegmentFiles(const archive::ArchiveDescription& description,
                       const archive::ArchivePlan& plan, const std::filesystem::path& outdir,
                       const archive::WriteProgress& progress, std::string& error);

// Removes the segment files and their temporary forms; missing ones are fine.
void RemoveSegmentFiles(const std::filesystem::path& folder);

// Maps segment files 1..n (n = files.size(), at most 3) into `segments`.
bool MapSegmentFiles(const std::vector<std::filesystem::path>& files, std::vector<MappedFile>& maps,
                     ArchiveSegments& segments, std::string& error);

}  // namespace mksetup
