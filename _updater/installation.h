// The installation the updater works on, as Setup registered it: found through the
// product key (the current user's first, then the machine's), like Setup finds an
// earlier installation. Portable, so the decisions that take it stay native.
#pragma once

#include <cstdint>
#include <string>

#include "feed_format.h"

namespace updater {

struct Installation {
  std::string directory;       // InstallDir, absolute, no trailing backslash
  bool allUsers = false;       // registered under HKEY_LOCAL_MACHINE
  std::uint32_t language = 1;  // the registered language: 0 German, 1 English
  std::string startMenuGroup;  // as registered, relative to the programs folder
  bool versionKnown = false;   // the client's version resource could be read
  feed::Version version;       // the installed client's version
};

}  // namespace updater
