// The Setup.exe a journey needs: a small archive's segments, sound or spoiled, put
// into the stub as resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "setup_archive.h"

namespace e2e {

using SegmentFile = std::vector<std::uint8_t>;               // u64 checksum, then the body
using SegmentSet = std::vector<std::optional<SegmentFile>>;  // nullopt: resource left out

class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A small valid archive: German and English terms, folders "data", "data/maps",
// "docs", the readmes "docs/liesmich.txt" and "docs/readme.txt", seven files, main
// program "TDMClient.exe". Full: 0.807.3; Update: 0.807.4 requiring `required`.
archive::ArchiveDescription SmallArchive(archive::SetupKind kind, std::uint32_t requiredLS = 3);
inline constexpr char kFullTitle[] = "Tidemoor 0.807.3 Testausgabe";

std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description);
SegmentSet AllPresent(const std::vector<SegmentFile>& segments);

// Body offsets are counted after the 8 checksum bytes; a change leaves the checksum.
std::uint64_t StoredChecksum(const SegmentFile& segment);
std::uint64_t BodySum(const SegmentFile& segment);
void RecomputeChecksum(SegmentFile& segment);
std::uint8_t& BodyByte(SegmentFile& segment, std::size_t offset);  // throws outside

// Writes the present segments as ID_SETUPFILE<n>.bin into `folder` and builds
// folder\Setup.exe from the stub with them as resources "BIN"; returns its path.
std::string MakeSetupExe(const SegmentSet& segmentFiles, const std::string& folder);

}  // namespace e2e
