// The switches of an unattended installation, read from the command-line tail. A tail
// without any of them (the plain "-debug" included) is the interactive wizard as ever.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

enum class RunMode {
  Wizard,      // the user answers every page
  Silent,      // /SILENT: the preparation window and the progress page, no questions
  VerySilent,  // /S, /VERYSILENT: no visible window at all
};

struct SetupSwitches {
  bool any = false;        // the tail holds at least one switch of the table
  bool malformed = false;  // ... and something else, or one of them twice or wrongly
  std::string problem;     // the first word that made it malformed, for the log
  RunMode mode = RunMode::Wizard;
  bool log = false;
  std::string logFile;  // empty: "setup.log" beside the program
  std::optional<std::string> directory;
  std::optional<bool> allUsers;
  std::optional<std::uint32_t> language;  // 0 German, 1 English
  bool noDesktopIcon = false;
};

SetupSwitches ParseSetupSwitches(std::string_view tail);

}  // namespace setup
