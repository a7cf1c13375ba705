// The release every test installs, written by the production archive writer into
// segment files (u64 checksum, then the body), whole or spoiled on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "setup_archive.h"

namespace test_support {

using SegmentFile = std::vector<std::uint8_t>;
// Segments 1..3; nullopt leaves one out.
using SegmentSet = std::vector<std::optional<SegmentFile>>;

// 2023-01-02 plus an odd count of 100 ns steps, so a time rounded anywhere shows.
inline constexpr std::uint64_t kFileTime = 133171776001234567ull;

// Full 0.807.3, or Update 0.807.4 requiring 0.807.3 with an obsolete file: umlauts, an
// empty terms line, a map holding NULs, an empty file, TDMClient.exe as main program.
archive::ArchiveDescription TestRelease(archive::SetupKind kind = archive::SetupKind::Full);
// A payload file; its contents are kept for the life of the process.
archive::WriterFile TestFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime = kFileTime);

// The segment files as the writer makes them; throws std::runtime_error on a refusal.
std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description);
SegmentSet AllPresent(const std::vector<SegmentFile>& segments);
archive::SegmentViews ViewsOf(const SegmentSet& segments);
void WriteSegmentFiles(const SegmentSet& segments, const std::filesystem::path& folder);

// Offsets count from the start of the body; outside it throws std::out_of_range.
void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value);
std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset);
void FixChecksum(SegmentFile& segment);

}  // namespace test_support
