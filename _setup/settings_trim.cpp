#include "settings_trim.h"

namespace setup {

TrimmedSettings TrimSettingsFields(std::string directory, std::string group) {
  TrimmedSettings out{std::move(directory), std::move(group), false};
  auto failed = [&out] {
    out.rangeError = true;
    return out;
  };
  // Each test reads a character of the field's current text, so an empty text at any
  // of them (also one that the removal before it emptied) is the error.
  if (out.directory.empty()) return failed();
  if (out.directory.back() == '\\') out.directory.pop_back();
  if (out.group.empty()) return failed();
  if (out.group.front() == '\\') out.group.erase(0, 1);
  if (out.group.empty()) return failed();
  if (out.group.back() == '\\') out.group.pop_back();
  return out;
}

}  // namespace setup
