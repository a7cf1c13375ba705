// Starts a helper program (osslsigncode) and waits for it; what it prints goes to a file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mksetup {

// The argument that stands for the path the program reads `secret` from.
inline constexpr char kSecretArgument[] = "<secret>";

// Runs `args` (args[0] looked up on the search path) with standard output and error
// written to `output`. With `secret`, every kSecretArgument becomes the path of a pipe
// ("/dev/fd/N", on Windows "\\.\pipe\...") that serves those bytes, so a password
// never touches the disk. Returns the exit code, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& args, const std::filesystem::path& output,
               const std::string* secret = nullptr);

}  // namespace mksetup
