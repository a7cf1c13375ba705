// The product version in a program's version resource (the halves of the fixed part
// that Setup compares), read without Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fixed_names.h"

namespace mksetup {

// The name of the client whose version an update checks on the player's machine.
inline constexpr const char* kClientFileName = installation::kClientFile;

// False with `problem` when the image has no readable version resource.
bool ReadProductVersion(const std::vector<std::uint8_t>& image, std::uint32_t& ms,
                        std::uint32_t& ls, std::string& problem);

}  // namespace mksetup
