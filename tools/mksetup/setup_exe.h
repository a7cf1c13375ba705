// The archive inside Setup.exe: resources of type "BIN" named "ID_SETUPFILE1".."3".
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "setup_archive.h"

namespace mksetup {

bool LooksLikeExecutable(std::span<const std::uint8_t> bytes);

// Copies the segment resources out of an executable image; segment 1 must be there,
// and the later ones count only as far as they follow each other.
bool ReadSetupExeSegments(const std::vector<std::uint8_t>& image,
                          std::array<std::vector<std::uint8_t>, archive::kMaxSegments>& segments,
                          int& count, std::string& error);

// Writes `out`: the stub with segment files 1..segmentCount of `segmentFolder` added.
bool WriteSetupExe(const std::filesystem::path& stub, const std::filesystem::path& segmentFolder,
                   int segmentCount, const std::filesystem::path& out, std::string& error);

}  // namespace mksetup
