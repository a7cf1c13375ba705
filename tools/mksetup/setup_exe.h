// The archive inside Setup.exe: resources of type "BIN" named "ID_SETUPFILE1".."3".
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "icon_file.h"
#include "setup_archive.h"

namespace mksetup {

bool LooksLikeExecutable(std::span<const std::uint8_t> bytes);

// Copies the segment resources out of an executable image; segment 1 must be there,
// and the later ones count only as far as they follow each other.
bool ReadSetupExeSegments(const std::vector<std::uint8_t>& image,
                          std::array<std::vector<std::uint8_t>, archive::kMaxSegments>& segments,
                          int& count, std::string& error);

// Writes `out`: the stub with segment files 1..segmentCount of `segmentFolder` added
// and, when `icon` is given, that icon in place of the stub's own (its resource
// files are written to `segmentFolder` too); non-empty `identity` bytes become the
// product identity resource.
bool WriteSetupExe(const std::filesystem::path& stub, const std::filesystem::path& segmentFolder,
                   int segmentCount, const IconResources* icon, const std::filesystem::path& out,
                   std::string& error, const std::string& identity = {});

// "icon: 32x32 32-bit 4264 bytes, 16x16 ..." for the icon group Explorer shows, or
// why it cannot be shown.
std::string DescribeIcon(const std::vector<std::uint8_t>& image);

// True when the image carries an Authenticode signature (a certificate table).
bool IsSigned(std::span<const std::uint8_t> image);

}  // namespace mksetup
