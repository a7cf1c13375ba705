// `mksetup list`: the structure of a built archive in words, texts shown as UTF-8.
#pragma once

#include <ostream>

#include "segment_check.h"

namespace mksetup {

// Lists whatever holds together; a walk that breaks off ends with its problem.
// False when the structure did not hold together.
bool ListArchive(const ArchiveSegments& archive, std::ostream& out);

}  // namespace mksetup
