// The product version in the fixed part of a program's version resource, as Setup
// reads the installed client's and the updater reads it again.
#pragma once

#include <cstdint>

// False for a file without one, or whose fixed part is absent or malformed.
bool ReadProductVersion(const char* path, std::uint32_t& ms, std::uint32_t& ls);
