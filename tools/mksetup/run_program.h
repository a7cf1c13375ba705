// Starts a helper program (osslsigncode) and waits for it; what it prints goes to a file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mksetup {

// Runs `args` (args[0] looked up on the search path) with standard output and error
// written to `output`. Returns its exit code, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& args, const std::filesystem::path& output);

}  // namespace mksetup
