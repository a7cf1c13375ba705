// The uninstaller's command line. The user (or Apps & features) starts it as
//   uninstall.exe [/S] [-debug]
// an original that needs the machine's rights restarts itself elevated as
//   uninstall.exe /elevated [-debug]
// it starts its copy in a folder of its own as
//   copy.exe /run <handle of the original process> "<installation directory>" [/S] [-debug]
// and a silent copy, once done, leaves the original's own file to
//   copy.exe /finish <handle of the original process> <levels> "<installation directory>" [-debug]
// which removes it, the installation folder and the levels above it that the
// installation created, once the original has ended.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace uninstall {

enum class Role { Original, Copy, Finisher };

struct CommandOptions {
  bool silent = false;
  bool debug = false;
  bool restarted = false;  // the original, restarted with elevation
  Role role = Role::Original;
  std::uint64_t originalProcess = 0;  // the copy waits for it; 0: nothing to wait for
  unsigned levels = 0;  // the finisher's: folders created at and above the installation's
  std::string installDir;
};

// The part after the program name, as GetCommandLineA gives it; false for anything
// unknown. `silent` is set even then when /S is among the words.
bool ParseCommandOptions(std::string_view tail, CommandOptions& options);

// The tails that start the copy and the finisher.
std::string CopyCommandTail(const CommandOptions& original, std::uint64_t processHandle,
                            const std::string& installDir);
std::string FinisherCommandTail(const CommandOptions& copy, std::uint64_t processHandle,
                                unsigned levels);

}  // namespace uninstall
