// The program under test as a process: started with a command line, an optional
// working directory and extra environment variables, and killed when the test ends
// while it still runs, so a failed test never leaves a Setup.exe behind.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wait_until.h"

namespace driver {

struct StartOptions {
  // Empty: the test's own current directory.
  std::string workingDirectory;
  // Added to (or replacing, by name without regard to case) the test's environment.
  std::vector<std::pair<std::string, std::string>> environment;
};

class Process {
 public:
  // `commandLine` is passed to CreateProcessA as it is: quote the program path
  // yourself (QuoteArgument) when it may hold blanks. Throws DriverError on failure.
  static Process Start(const std::string& commandLine, const StartOptions& options = {});

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return handle_; }
  bool IsRunning() const;

  // The exit code, or nothing when the process still runs after `timeout`.
  std::optional<DWORD> TryWaitForExit(Milliseconds timeout) const;
  // The exit code; throws DriverError when the process does not end in time.
  DWORD WaitForExit(Milliseconds timeout = kDefaultTimeout) const;

  // Ends this process (only this one) if it still runs, and waits until it is gone.
  void Kill();

 private:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  void Release();

  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Wraps `argument` in double quotes when it holds blanks, tabs or quotes, following
// the rules the C runtime uses to split a command line.
std::string QuoteArgument(const std::string& argument);

}  // namespace driver
