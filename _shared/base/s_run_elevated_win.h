// The prompt for the machine's rights: a program started with the verb "runas", which
// the programs use only for what administrators alone can change.
#pragma once
#include <windows.h>

#include <string>

namespace elevated {

inline constexpr char kVerb[] = "runas";

// Starts `program` with `parameters` in `directory`, hidden, through the prompt, logs
// what it starts, and waits for it to end. False when it did not start, with
// GetLastError as ShellExecuteEx left it (ERROR_CANCELLED when the prompt was declined);
// otherwise `code` is its exit code.
bool RunAndWait(const std::string& program, const std::string& parameters,
                const std::string& directory, DWORD& code);

}  // namespace elevated
