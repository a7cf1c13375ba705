// Reads of the installation stages. The archive was proven whole at load time, so a
// failing read here means the bytes changed under us; it ends the installation
// through the exception path instead of reading past a body.
#pragma once

#include <cstdint>

#include "archive_cursor.h"

namespace setup {

std::uint32_t ReadU32(archive::ArchiveCursor& cursor);
std::uint64_t ReadU64(archive::ArchiveCursor& cursor);
const char* ReadText(archive::ArchiveCursor& cursor);
const std::uint8_t* ReadData(archive::ArchiveCursor& cursor, std::uint32_t size);

}  // namespace setup
