// The structural check Setup.exe runs after the checksum: the whole stream must hold
// together and no name may lead out of the installation directory, so an archive
// that would fail half-way through copying is refused before anything is written.
#pragma once

#include <string>

#include "archive_walk.h"
#include "setup_archive.h"

namespace archive {

// Null when `name` is a usable relative name: not empty, no leading separator, no
// drive letter or other colon, no ".." component. Else what is wrong with it.
const char* RelativeNameProblem(const char* name);

// Null when `name` is a usable link file name: not empty and without separators.
const char* LinkNameProblem(const char* name);

WalkResult CheckArchive(const SegmentViews& segments);

}  // namespace archive
