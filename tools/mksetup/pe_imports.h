// The DLLs a PE32+ image imports directly, from its import directory. Portable, for
// the check that the programs import only DLLs Windows takes from System32.
#pragma once

#include <string>
#include <vector>

#include "pe_image.h"

namespace peres {

inline constexpr std::uint32_t kImportDirectoryIndex = 1;

// The DLL names in table order; false with `error` when the directory is malformed.
bool ReadImportedDlls(Bytes image, std::vector<std::string>& dlls, std::string& error);

}  // namespace peres
