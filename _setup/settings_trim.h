// Before the installation directory is created, one trailing backslash leaves the
// directory field, and one leading and one trailing backslash the start-menu group.
#pragma once

#include <string>

namespace setup {

struct TrimmedSettings {
  std::string directory;
  std::string group;
  // A test met an empty text: the class library's range error. The texts are as far
  // as they were trimmed before it.
  bool rangeError = false;
  bool operator==(const TrimmedSettings&) const = default;
};

TrimmedSettings TrimSettingsFields(std::string directory, std::string group);

}  // namespace setup
