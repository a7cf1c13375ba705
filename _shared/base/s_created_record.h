// What a full installation created, as opposed to what was there before it: written
// once by Setup into uninstall\created.lst (updates leave it alone) and read by the
// uninstaller, which empties wholesale only folders named here. Portable: no
// windows.h. Windows-1252 text, one entry a line:
//   I <n>       the installation folder and the n - 1 folders above it were created
//   D <folder>  a folder of the archive, relative to the installation folder
//   G <n>       the last n levels of the start-menu group were created
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fixed_names.h"

namespace created {

inline constexpr const char* kRecordName = installation::kCreatedRecordName;

struct CreatedRecord {
  unsigned installLevels = 0;        // 0: the installation folder was there before
  std::vector<std::string> folders;  // "\" between levels
  unsigned groupLevels = 0;
};

std::string WriteCreatedRecord(const CreatedRecord& record);
// False, with `record` empty, for anything it does not understand: then every folder
// counts as one that was there before.
bool ReadCreatedRecord(std::string_view text, CreatedRecord& record);

// One folder level, as the product's one name rule takes a name.
bool SafeLevel(std::string_view level);
// The levels of a start-menu group ("Games\Tidemoor"); false when one is not safe,
// so that a group never reaches out of the programs folder.
bool SplitGroup(std::string_view group, std::vector<std::string>& levels);

}  // namespace created
