// The uninstaller's command line. The user (or Apps & features) starts it as
//   uninstall.exe [/S] [-debug]
// and it starts its copy in the temporary folder as
//   copy.exe /run <handle of the original process> "<installation directory>" [/S] [-debug]
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace uninstall {

struct CommandOptions {
  bool silent = false;
  bool debug = false;
  bool isCopy = false;
  std::uint64_t originalProcess = 0;  // the copy waits for it; 0: nothing to wait for
  std::string installDir;
};

// The part after the program name, as GetCommandLineA gives it; false for anything unknown.
bool ParseCommandOptions(std::string_view tail, CommandOptions& options);

// The tail that starts the copy.
std::string CopyCommandTail(const CommandOptions& original, std::uint64_t processHandle,
                            const std::string& installDir);

}  // namespace uninstall
