#include "child_process.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace driver {

namespace {

struct CaseInsensitiveLess {
  bool operator()(const std::string& left, const std::string& right) const {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                        [](char a, char b) {
                                          return std::toupper(static_cast<unsigned char>(a)) <
                                                 std::toupper(static_cast<unsigned char>(b));
                                        });
  }
};

// The test's own environment with the overrides applied, as the NUL-separated,
// double-NUL-terminated block CreateProcessA takes, sorted as Windows keeps it.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::map<std::string, std::string, CaseInsensitiveLess> variables;
  std::vector<std::string> hidden;  // "=C:=C:\..." entries keep their place at the front
  if (char* strings = GetEnvironmentStringsA(); strings != nullptr) {
    for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
      const std::string text = entry;
      const size_t equals = text.find('=', 1);
      if (text[0] == '=' || equals == std::string::npos) {
        hidden.push_back(text);
        continue;
      }
      variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    FreeEnvironmentStringsA(strings);
  }
  for (const auto& [name, value] : overrides) {
    variables.erase(name);
    variables[name] = value;
  }
  std::string block;
  for (const auto& entry : hidden) block += entry + '\0';
  for (const auto& [name, value] : variables) block += name + '=' + value + '\0';
  block += '\0';
  return block;
}

}  // namespace

Process Process::Start(const std::string& commandLine, const StartOptions& options) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  std::string mutableCommandLine = commandLine;  // CreateProcessA may write into it
  std::string environment;
  if (!options.environment.empty()) environment = EnvironmentBlock(options.environment);
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR while the previous
  // program of the test is still going away; a moment later the same start works.
  BOOL started = FALSE;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(500);
    mutableCommandLine = commandLine;
    started = CreateProcessA(
        nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0,
        environment.empty() ? nullptr : environment.data(),
        options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
        &created);
    error = started ? ERROR_SUCCESS : GetLastError();
    if (!started && error != ERROR_INTERNAL_ERROR) break;
  }
  if (!started)
    throw DriverError("cannot start " + commandLine + ": error " + std::to_string(error));
  // Wine starts a Unix program (say, "env LC_ALL=... wine Setup.exe") without giving
  // a handle to it, so such a child could be neither awaited nor killed.
  if (created.hProcess == nullptr)
    throw DriverError("started " + commandLine + " but got no process handle (a Unix program?)");
  CloseHandle(created.hThread);
  return Process(created.hProcess, created.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Process::~Process() {
  Release();
}

void Process::Release() {
  if (handle_ == nullptr) return;
  Kill();
  CloseHandle(handle_);
  handle_ = nullptr;
}

bool Process::IsRunning() const {
  return handle_ != nullptr && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::TryWaitForExit(Milliseconds timeout) const {
  if (handle_ == nullptr) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // Short slices so that this thread's own messages keep flowing meanwhile.
  while (WaitForSingleObject(handle_, 20) == WAIT_TIMEOUT) {
    PumpOwnMessages();
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

DWORD Process::WaitForExit(Milliseconds timeout) const {
  if (const auto code = TryWaitForExit(timeout)) return *code;
  throw DriverError("timed out after " + std::to_string(timeout.count()) +
                    " ms waiting for process " + std::to_string(id_) + " to end");
}

void Process::Kill() {
  if (!IsRunning()) return;
  TerminateProcess(handle_, 0xDEAD);
  WaitForSingleObject(handle_, 5000);
}

std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes double only in front of a quote; a quote itself is escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + '"';
}

}  // namespace driver
