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
// Segments 1..3 of a Setup.exe; nullopt leaves that one out.
using SegmentSet = std::vector<std::optional<SegmentFile>>;

// 2023-01-02 plus an odd count of 100 ns steps, so a time rounded anywhere shows.
inline constexpr std::uint64_t kFileTime = 133171776001234567ull;
inline constexpr char kFullTitle[] = "Tidemoor 0.807.3 Testausgabe";
inline constexpr char kUpdateTitle[] = "Tidemoor Update 0.807.4 Testausgabe";

// Full: package 0.807.3. Update: package 0.807.4, requires 0.807.3, obsolete
// "data/old_intro.dat". Both: German terms with Windows-1252 umlauts and an empty line,
// directories "data", "data/maps", "docs"; readmes "docs/liesmich.txt" (link
// "Liesmich.lnk") and "docs/readme.txt" ("Readme.lnk"); files TDMClient.exe (the main
// program, desktop link "Tidemoor.lnk"), uninstall.exe, TDMOptions.exe,
// data/maps/harbour.map (holds NULs), data/empty.dat (empty) and the readmes; start-menu
// links to uninstall.exe (25), TDMClient.exe (23), TDMOptions.exe (24).
archive::ArchiveDescription TestRelease(archive::SetupKind kind = archive::SetupKind::Full);
// A payload file; its contents are kept for the life of the process.
archive::WriterFile TestFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime = kFileTime);

// The segment files as the writer makes them; throws std::runtime_error on a refusal.
std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description);
SegmentSet AllPresent(const std::vector<SegmentFile>& segments);
// The bodies as the reader sees them, borrowed from `segments`.
archive::SegmentViews ViewsOf(const SegmentSet& segments);
// ID_SETUPFILE<n>.bin in `folder` for each present segment n.
void WriteSegmentFiles(const SegmentSet& segments, const std::filesystem::path& folder);

// Spoiling one segment. Offsets count from the start of the body; an access outside it
// throws std::out_of_range. Only FixChecksum touches the stored checksum.
std::uint8_t BodyByte(const SegmentFile& segment, std::size_t offset);
void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value);
std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset);
void SetBodyU32(SegmentFile& segment, std::size_t offset, std::uint32_t value);
// Keeps the first `length` bytes of the file (checksum bytes included).
void Cut(SegmentFile& segment, std::size_t length);
void FixChecksum(SegmentFile& segment);
SegmentFile SegmentWithBody(const std::vector<std::uint8_t>& body);

}  // namespace test_support
